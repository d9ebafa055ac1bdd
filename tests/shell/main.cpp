#include "ShellFixture.h"
#include "tst_BrowserPane.h"
#include "tst_Windows.h"

#include <QApplication>
#include <QTest>

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ShellFixture fixture;
    if (!fixture.isValid())
        return 1;

    int status = 0;
    {
        TestWindows windows(fixture);
        status |= QTest::qExec(&windows, argc, argv);
    }
    {
        TestBrowserPane pane(fixture);
        status |= QTest::qExec(&pane, argc, argv);
    }
    return status;
}
