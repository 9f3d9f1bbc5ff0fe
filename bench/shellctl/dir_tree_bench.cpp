// Opening tree nodes of many subfolders: how soon they are shown and fully probed beside `ls -1U`
// listing the same folder, the longest stall of the window while a huge node opens, and selecting
// a folder 30 levels deep. Prints "case | ours | reference | ratio | goal" lines.
#include "bench/imaging/bench_support.h"
#include "shellctl/dir_tree.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kRuns = 7;
constexpr int kSubfolders = 5000;
constexpr int kHugeSubfolders = 20000;
constexpr int kDepth = 30;

double Milliseconds(const QElapsedTimer &timer) { return timer.nsecsElapsed() / 1e6; }

// Every other subfolder holds one of its own, so that probing finds both kinds.
void MakeWideFolder(const QString &folder, int subfolders)
{
    QDir().mkpath(folder);
    for (int i = 0; i < subfolders; ++i)
        QDir().mkpath(folder + QStringLiteral("/folder%1").arg(i) + (i % 2 ? QStringLiteral("/inner") : QString()));
}

double ListMilliseconds(const QString &folder)
{
    QProcess ls;
    ls.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    ls.start(QStringLiteral("ls"), {QStringLiteral("-1U"), folder});
    ls.waitForFinished(-1);
    return Milliseconds(timer);
}

// The file system without its link counts, as btrfs and network file systems give them: every
// folder is looked into.
class FoldersWithoutLinks : public vistrel::FileSystemFolders {
public:
    std::vector<vistrel::FolderLinks> LinksOf(const std::vector<std::string> &folders) override
    {
        return std::vector<vistrel::FolderLinks>(folders.size());
    }
};

// A tree showing the parent of `wide`, with everything probed, ready to open `wide`.
struct OpenableTree {
    explicit OpenableTree(const QString &wide, bool withLinks)
    {
        if (!withLinks)
            tree.setFolderSource(std::make_shared<FoldersWithoutLinks>());
        tree.resize(300, 600);
        tree.show();
        tree.setSelectedPath(QFileInfo(wide).path().toStdString());
        while (tree.PendingProbes() > 0)
            QApplication::processEvents();
        for (int i = 0; i < tree.currentItem()->childCount(); ++i)
            if (tree.currentItem()->child(i)->text(0) == QFileInfo(wide).fileName())
                node = tree.currentItem()->child(i);
        tree.scrollToItem(node, QAbstractItemView::PositionAtTop);
        QApplication::processEvents();
    }
    vistrel::TDirTree tree;
    QTreeWidgetItem *node = nullptr;
};

struct ExpandFigures {
    double shown = 0;  // the children are in the tree and painted
    double probed = 0; // every child has its expand button or none
};

ExpandFigures Expand(const QString &wide, bool withLinks)
{
    OpenableTree openable(wide, withLinks);
    ExpandFigures figures;
    QElapsedTimer timer;
    timer.start();
    openable.node->setExpanded(true);
    openable.tree.viewport()->repaint();
    figures.shown = Milliseconds(timer);
    // Waiting as a window does: spinning here would take a processor from the tree's own threads.
    while (openable.tree.PendingProbes() > 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    figures.probed = Milliseconds(timer);
    return figures;
}

// The largest gap between the beats of a 1 ms heartbeat while the node opens and is probed.
double LongestStall(const QString &wide)
{
    OpenableTree openable(wide, true);
    QElapsedTimer sinceBeat;
    double longest = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longest = std::max(longest, Milliseconds(sinceBeat));
        sinceBeat.restart();
    });
    heartbeat.start(1);
    QTimer::singleShot(0, [&] { openable.node->setExpanded(true); });
    sinceBeat.start();
    while (openable.node->childCount() <= 1 || openable.tree.PendingProbes() > 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
    return longest;
}

double SelectDeep(const QString &deep)
{
    vistrel::TDirTree tree;
    tree.setSelectedPath("/");
    QElapsedTimer timer;
    timer.start();
    tree.setSelectedPath(deep.toStdString());
    return Milliseconds(timer);
}

void Row(const char *name, double ours, double reference, const char *referenceName, const char *goal)
{
    std::printf("%-46s | %8.2f ms | %8.2f ms %-7s | %5.2fx | %s\n", name, ours, reference, referenceName,
                reference > 0 ? ours / reference : 0.0, goal);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir folder;
    const QString wide = folder.filePath(QStringLiteral("wide"));
    const QString huge = folder.filePath(QStringLiteral("huge"));
    MakeWideFolder(wide, kSubfolders);
    MakeWideFolder(huge, kHugeSubfolders);
    QString deep = folder.path();
    for (int i = 0; i < kDepth; ++i)
        deep += QStringLiteral("/level%1").arg(i);
    QDir().mkpath(deep);

    std::vector<double> shown, probed, probedInside, listed, stalls, selected;
    for (int run = 0; run < kRuns; ++run) {
        const ExpandFigures figures = Expand(wide, true);
        shown.push_back(figures.shown);
        probed.push_back(figures.probed);
        listed.push_back(ListMilliseconds(wide));
        probedInside.push_back(Expand(wide, false).probed);
        stalls.push_back(LongestStall(huge));
        selected.push_back(SelectDeep(deep));
    }
    using vistrel::bench::Median;
    std::printf("Median of %d interleaved runs, %s platform\n", kRuns, qPrintable(QApplication::platformName()));
    std::printf("%-46s | %11s | %19s | %6s | %s\n", "case", "ours", "reference", "ratio", "goal");
    Row("5,000 subfolders: shown", Median(shown), Median(listed), "ls -1U", "<= 1.5x");
    Row("5,000 subfolders: all probed (link counts)", Median(probed), Median(listed), "ls -1U", "<= 3x");
    Row("5,000 subfolders: all probed (looking inside)", Median(probedInside), Median(listed), "ls -1U", "none (btrfs-like)");
    Row("20,000 subfolders: longest window stall", Median(stalls), 50, "limit", "<= 1x");
    Row("selecting a folder 30 levels deep", Median(selected), 0, "", "none");
    return 0;
}
