#include <QApplication>

// The rules and the area share one executable; the area's tests need a
// QApplication with shared GL contexts for the web engine.
int runLinkRulesTests(int argc, char** argv);
int runLinksAreaTests(int argc, char** argv);
int runLinksRoadTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    int failures = 0;
    failures += runLinkRulesTests(argc, argv);
    failures += runLinksAreaTests(argc, argv);
    failures += runLinksRoadTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
