#include <QCoreApplication>

// The link-back classes share one executable; none needs a display.
int runSitesTests(int argc, char** argv);
int runProofTests(int argc, char** argv);
int runRobotsTests(int argc, char** argv);
int runChangeTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    failures += runSitesTests(argc, argv);
    failures += runProofTests(argc, argv);
    failures += runRobotsTests(argc, argv);
    failures += runChangeTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
