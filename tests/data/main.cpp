#include <QApplication>

// The run controls and the grid share one executable. The widgets library
// links the web engine, which wants shared GL contexts before the application.
int runDataRunTests(int argc, char** argv);
int runResultsGridTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    int failures = 0;
    failures += runDataRunTests(argc, argv);
    failures += runResultsGridTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
