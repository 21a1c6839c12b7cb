#pragma once

#include <QApplication>
#include <QString>
#include <QTest>

namespace qm::test {

// Prepares the process for a GUI test before Qt starts: the offscreen platform and software rendering (unless
// the environment names others, as under xvfb-run), Chromium without its sandbox, and private runtime (mode
// 0700), home, data, cache and config folders that are removed when the program ends, so that a test never
// touches the user's files.
void PrepareGuiTestEnvironment();

// Points $XDG_DATA_HOME at a new empty folder below the private folders and returns it: a window created
// after this call keeps its working folders there.
QString FreshDataHome();

} // namespace qm::test

#define QM_GUI_TEST_MAIN(TestClass)                                                                                    \
    int main(int argc, char** argv) {                                                                                  \
        qm::test::PrepareGuiTestEnvironment();                                                                         \
        QApplication app(argc, argv);                                                                                  \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
