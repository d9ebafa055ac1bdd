#include <QCoreApplication>

// The partner classes that need no display share one executable.
int runScheduleTests(int argc, char** argv);
int runMailTests(int argc, char** argv);
int runReportTests(int argc, char** argv);
int runNotifyTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    failures += runScheduleTests(argc, argv);
    failures += runMailTests(argc, argv);
    failures += runReportTests(argc, argv);
    failures += runNotifyTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
