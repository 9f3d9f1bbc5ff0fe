#pragma once

#include <QApplication>
#include <QtTest>

namespace vistrel::testing {

enum class TestDisplay {
    Offscreen, // windows need no screen
    Real,      // the X display, for what only a real one has (the desktop's clipboard)
};

// The whole main() of a window test.
template <typename Test>
int RunQtTest(int argc, char **argv, TestDisplay display = TestDisplay::Offscreen)
{
    if (display == TestDisplay::Offscreen)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace vistrel::testing
