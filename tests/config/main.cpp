#include <QApplication>

// The pages, the list editors and the test frame share one executable and one
// application object.
int runConfigPagesTests(int argc, char** argv);
int runConfigListsTests(int argc, char** argv);
int runTestFrameTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    failures += runConfigPagesTests(argc, argv);
    failures += runConfigListsTests(argc, argv);
    failures += runTestFrameTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
