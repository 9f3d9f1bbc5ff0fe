// The one version number of the build, as vistrel-cli reports it.
#include <gtest/gtest.h>

#include <QProcess>

TEST(ProgramVersion, CliPrintsTheBuildsVersion)
{
    QProcess cli;
    cli.start(QStringLiteral(VISTREL_CLI), {QStringLiteral("--version")});
    ASSERT_TRUE(cli.waitForFinished(30000));
    EXPECT_EQ(cli.exitCode(), 0);
    EXPECT_EQ(cli.readAllStandardOutput().toStdString(), "vistrel-cli " VISTREL_VERSION "\n");
    EXPECT_TRUE(cli.readAllStandardError().isEmpty());
}
