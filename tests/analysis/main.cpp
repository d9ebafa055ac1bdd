#include <QCoreApplication>
#include <QLocale>

// The three test classes of the area share one executable.
int runPatternTests(int argc, char** argv);
int runFieldRulesTests(int argc, char** argv);
int runPageAnalysisTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Case conversion follows the user's locale; the expectations are English.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    int failures = 0;
    failures += runPatternTests(argc, argv);
    failures += runFieldRulesTests(argc, argv);
    failures += runPageAnalysisTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
