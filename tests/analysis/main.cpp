#include <QCoreApplication>
#include <QLocale>

// The two test classes of the area share one executable.
int runFieldRulesTests(int argc, char** argv);
int runPageAnalysisTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Case conversion follows the user's locale; the expectations are English.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    int failures = 0;
    failures += runFieldRulesTests(argc, argv);
    failures += runPageAnalysisTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
