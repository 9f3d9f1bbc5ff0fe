// Opening a tree node of 5,000 subfolders, beside `ls -1U` listing the same folder, and selecting a
// folder 30 levels deep.
#include "bench/imaging/bench_support.h"
#include "shellctl/dir_tree.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 7;
constexpr int kSubfolders = 5000;
constexpr int kDepth = 30;

double Milliseconds(const QElapsedTimer &timer) { return timer.nsecsElapsed() / 1e6; }

// Every other subfolder holds one of its own, so that probing finds both kinds.
void MakeWideFolder(const QString &folder)
{
    QDir().mkpath(folder);
    for (int i = 0; i < kSubfolders; ++i)
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

struct ExpandFigures {
    double shown = 0;   // the children are in the tree
    double probed = 0;  // every child has its expand button or none
    double longestSlice = 0;
};

ExpandFigures Expand(const QString &parent)
{
    vistrel::TDirTree tree;
    tree.resize(300, 600);
    tree.setSelectedPath(parent.toStdString());
    while (tree.PendingProbes() > 0)
        QApplication::processEvents();
    QTreeWidgetItem *wide = nullptr;
    for (int i = 0; i < tree.currentItem()->childCount(); ++i)
        if (tree.currentItem()->child(i)->text(0) == QLatin1String("wide"))
            wide = tree.currentItem()->child(i);

    ExpandFigures figures;
    QElapsedTimer timer;
    timer.start();
    wide->setExpanded(true);
    figures.shown = Milliseconds(timer);
    while (tree.PendingProbes() > 0) {
        QElapsedTimer slice;
        slice.start();
        QApplication::processEvents();
        figures.longestSlice = std::max(figures.longestSlice, Milliseconds(slice));
    }
    figures.probed = Milliseconds(timer);
    return figures;
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

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir folder;
    const QString wide = folder.filePath(QStringLiteral("wide"));
    MakeWideFolder(wide);
    QString deep = folder.path();
    for (int i = 0; i < kDepth; ++i)
        deep += QStringLiteral("/level%1").arg(i);
    QDir().mkpath(deep);

    std::vector<double> shown, probed, slices, listed, selected;
    for (int run = 0; run < kRuns; ++run) {
        const ExpandFigures figures = Expand(folder.path());
        shown.push_back(figures.shown);
        probed.push_back(figures.probed);
        slices.push_back(figures.longestSlice);
        listed.push_back(ListMilliseconds(wide));
        selected.push_back(SelectDeep(deep));
    }
    std::printf("Opening a node of %d subfolders (median of %d runs)\n", kSubfolders, kRuns);
    std::printf("  children shown:          %8.2f ms\n", vistrel::bench::Median(shown));
    std::printf("  all probed:              %8.2f ms (longest slice between paints %.2f ms)\n", vistrel::bench::Median(probed),
                vistrel::bench::Median(slices));
    std::printf("  ls -1U (same folder):    %8.2f ms\n", vistrel::bench::Median(listed));
    std::printf("  shown / ls -1U:          %8.2f x\n", vistrel::bench::Median(shown) / vistrel::bench::Median(listed));
    std::printf("Selecting a folder %d levels deep: %.2f ms\n", kDepth, vistrel::bench::Median(selected));
    return 0;
}
