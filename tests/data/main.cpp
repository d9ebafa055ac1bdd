#include <QApplication>

// The run controls and the grid share one executable.
int runDataRunTests(int argc, char** argv);
int runResultsGridTests(int argc, char** argv);
int runRunJournalWindowTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    failures += runDataRunTests(argc, argv);
    failures += runResultsGridTests(argc, argv);
    failures += runRunJournalWindowTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
