// Entry of every test program: a Qt application object exists for timers, sockets and
// widgets, then GoogleTest runs the cases.
#include <gtest/gtest.h>

#ifdef TAMSOR_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
