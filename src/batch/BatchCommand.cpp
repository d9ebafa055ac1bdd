#include "BatchCommand.h"

#include "BatchJournal.h"
#include "BatchUsage.h"
#include "RecheckCommand.h"
#include "Version.h"
#include "filters/ListFile.h"
#include "platform/FetchLimits.h"
#include "platform/FetchOptions.h"
#include "platform/LogCategories.h"
#include "platform/TextFile.h"
#include "results/AsciiDatabase.h"
#include "run/BatchRun.h"
#include "run/LinkBackSetup.h"
#include "run/RunTableFeed.h"
#include "run/TestRun.h"
#include "settings/ProgramFolder.h"
#include "settings/SettingsFile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryFile>

namespace {

// An output that cannot be written is found before the run, not after an hour
// of fetching. The file is replaced through a temporary file beside it, so the
// folder must take new files too.
QString unwritableReason(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("the folder %1 does not exist").arg(QDir::toNativeSeparators(folder));
    QTemporaryFile probe(folder + QStringLiteral("/.quillmark-batch-XXXXXX"));
    if (!probe.open())
        return QStringLiteral("the folder %1 cannot be written").arg(QDir::toNativeSeparators(folder));
    if (info.exists()) {
        QFile existing(path);
        if (!existing.open(QIODevice::ReadWrite))
            return QStringLiteral("the file cannot be written");
    }
    return QString();
}

// The link-back options over the [LinkBack] section: --my-site replaces its
// sites. A wrong entry on the command line is an error; one in the file only
// a warning, as the window shows it under its box.
LinkBackPreferences withLinkBackOptions(LinkBackPreferences preferences, const QStringList& mySites,
                                        bool acceptOnlyFollowed, const QString& robotsAgent,
                                        QStringList* errors, QStringList* warnings)
{
    if (!mySites.isEmpty())
        preferences.setSites(mySites);
    if (acceptOnlyFollowed)
        preferences.setAcceptOnlyFollowed(true);
    if (!robotsAgent.isEmpty())
        preferences.setRobotsAgent(robotsAgent);
    QStringList messages;
    LinkBackSetup::from(preferences, &messages);
    for (const QString& message : messages) {
        if (!mySites.isEmpty())
            errors->append(QStringLiteral("--my-site: ") + message);
        else
            warnings->append(QStringLiteral("preferences.ini: ") + message);
    }
    return preferences;
}

} // namespace

BatchCommand::BatchCommand(const QStringList& arguments, std::FILE* out, std::FILE* err, QObject* parent)
    : QObject(parent), m_arguments(arguments), m_out(out), m_err(err)
{}

BatchCommand::~BatchCommand() = default;

void BatchCommand::print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

int BatchCommand::fail(const QString& message)
{
    print(m_err, QStringLiteral("quillmark-batch: ") + message);
    return UsageError;
}

int BatchCommand::start()
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption output(QStringLiteral("output"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption test(QStringLiteral("test"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption verbose(QStringLiteral("verbose"));
    const QCommandLineOption connections(QStringLiteral("connections"), QString(), QStringLiteral("N"));
    const QCommandLineOption report(QStringLiteral("report"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption resume(QStringLiteral("resume"));
    const QCommandLineOption retryFailed(QStringLiteral("retry-failed"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("S"));
    const QCommandLineOption mySite(QStringLiteral("my-site"), QString(), QStringLiteral("HOST"));
    const QCommandLineOption acceptOnlyFollowed(QStringLiteral("accept-only-followed"));
    const QCommandLineOption recheck(QStringLiteral("recheck"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption failOnLost(QStringLiteral("fail-on-lost"));
    const QCommandLineOption robotsAgent(QStringLiteral("robots-agent"), QString(), QStringLiteral("NAME"));
    parser.addOptions({folder, output, test, help, version, verbose, connections, report, timeout, resume,
                       retryFailed, mySite, acceptOnlyFollowed, recheck, failOnLost, robotsAgent});
    if (!parser.parse(m_arguments))
        return fail(parser.errorText() + QStringLiteral("\nTry 'quillmark-batch --help'."));
    if (parser.isSet(help)) {
        print(m_out, BatchUsage::text());
        return Success;
    }
    if (parser.isSet(version)) {
        print(m_out, QStringLiteral("quillmark-batch " QUILLMARK_VERSION_TEXT));
        return Success;
    }
    // The diagnostics of every area, on standard error through Qt's logging.
    if (parser.isSet(verbose))
        QLoggingCategory::setFilterRules(QString::fromLatin1(VerboseLoggingRules));
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return fail(QStringLiteral("one argument expected, %1 given\nTry 'quillmark-batch --help'.")
                        .arg(positional.size()));
    if (parser.isSet(resume) && parser.isSet(retryFailed))
        return fail(QStringLiteral("--resume and --retry-failed cannot go together"));
    m_continue = parser.isSet(resume)        ? Continue::Resume
                 : parser.isSet(retryFailed) ? Continue::RetryFailed
                                             : Continue::No;
    for (const QCommandLineOption* batchOnly : {&output, &connections, &report, &resume, &retryFailed}) {
        if (parser.isSet(test) && parser.isSet(*batchOnly))
            return fail(QStringLiteral("--%1 has no use with --test").arg(batchOnly->names().constFirst()));
    }
    int connectionsGiven = 0;
    if (parser.isSet(connections)) {
        bool ok = false;
        connectionsGiven = parser.value(connections).toInt(&ok);
        if (!ok || connectionsGiven < 1 || connectionsGiven > FetchLimits::MostConnections)
            return fail(QStringLiteral("--connections takes a whole number from 1 to %1, not \"%2\"")
                            .arg(FetchLimits::MostConnections)
                            .arg(parser.value(connections)));
    }
    int timeoutGiven = 0;
    if (parser.isSet(timeout)) {
        bool ok = false;
        timeoutGiven = parser.value(timeout).toInt(&ok);
        if (!ok || timeoutGiven < FetchOptions::kLeastTimeoutSeconds ||
            timeoutGiven > FetchOptions::kMostTimeoutSeconds)
            return fail(QStringLiteral("--timeout takes a whole number of seconds from %1 to %2, not \"%3\"")
                            .arg(FetchOptions::kLeastTimeoutSeconds)
                            .arg(FetchOptions::kMostTimeoutSeconds)
                            .arg(parser.value(timeout)));
    }
    if (parser.isSet(robotsAgent) && !LinkBackPreferences::isRobotsAgent(parser.value(robotsAgent)))
        return fail(QStringLiteral("--robots-agent takes a crawler's name such as Googlebot, or *, not \"%1\"")
                        .arg(parser.value(robotsAgent)));
    if (parser.isSet(recheck) &&
        (parser.isSet(test) || parser.isSet(output) || !positional.isEmpty() ||
         parser.isSet(acceptOnlyFollowed) || parser.isSet(resume) || parser.isSet(retryFailed)))
        return fail(QStringLiteral("--recheck takes only --folder, --my-site, --robots-agent, --connections, "
                                   "--timeout, --report and --fail-on-lost\nTry 'quillmark-batch --help'."));
    if (parser.isSet(failOnLost) && !parser.isSet(recheck))
        return fail(QStringLiteral("--fail-on-lost has a use only with --recheck"));
    m_reportPath = parser.isSet(report) ? QFileInfo(parser.value(report)).absoluteFilePath() : QString();
    if (!parser.isSet(test) && !parser.isSet(recheck) && positional.isEmpty())
        return fail(QStringLiteral("no links file given\nTry 'quillmark-batch --help'."));
    if (!loadFolder(parser.value(folder)))
        return UsageError;
    // The options given stand over the folder's preferences.
    RunPreferences preferences = m_preferences.values();
    if (connectionsGiven > 0)
        preferences.setConnections(connectionsGiven);
    if (timeoutGiven > 0)
        preferences.setTimeoutSeconds(timeoutGiven);
    QStringList errors;
    QStringList warnings;
    preferences.setLinkBack(withLinkBackOptions(preferences.linkBack(), parser.values(mySite),
                                                parser.isSet(acceptOnlyFollowed), parser.value(robotsAgent),
                                                &errors, &warnings));
    for (const QString& warning : warnings)
        print(m_err, QStringLiteral("quillmark-batch: warning: ") + warning);
    if (!errors.isEmpty())
        return fail(errors.constFirst());
    m_preferences.change(preferences);
    if (parser.isSet(recheck))
        return startRecheck(parser.value(recheck), parser.isSet(failOnLost));
    if (parser.isSet(test))
        return startTest(positional.isEmpty() ? m_settings.text(Key::TestURL) : positional.first());
    return startBatch(positional.first(), parser.value(output));
}

bool BatchCommand::loadFolder(const QString& folderOption)
{
    m_folder = folderOption.isEmpty() ? ProgramFolder::forApplication().path() : folderOption;
    if (!QFileInfo(m_folder).isDir()) {
        fail(QStringLiteral("the folder %1 does not exist").arg(QDir::toNativeSeparators(m_folder)));
        return false;
    }
    const ProgramFolder programFolder(QFileInfo(m_folder).absoluteFilePath());
    // In the start-up's order: the settings first, since they name the list files.
    if (!QFileInfo(programFolder.settingsFile()).isFile())
        print(m_err, QStringLiteral("quillmark-batch: warning: no %1: every pattern and file name is empty")
                         .arg(QDir::toNativeSeparators(programFolder.settingsFile())));
    LoadSettings(m_settings, programFolder.settingsFile());
    LoadListFromFile(m_badWords, programFolder.filePath(m_settings.text(Key::BadWordsFile)),
                     MissingListFile::KeepList);
    LoadListFromFile(m_validStatus, programFolder.statusCodesFile(), MissingListFile::EmptyList);
    m_preferences.change(RunPreferences::load(RunPreferences::filePath(programFolder)));
    return true;
}

int BatchCommand::startBatch(const QString& linksFile, const QString& outputOption)
{
    const std::optional<QStringList> lines = TextFile::readLines(linksFile);
    if (!lines || QFileInfo(linksFile).isDir())
        return fail(QStringLiteral("cannot read the links file %1").arg(QDir::toNativeSeparators(linksFile)));
    QStringList urls;
    for (const QString& line : *lines) {
        if (!line.trimmed().isEmpty())
            urls.append(line);
    }

    const ProgramFolder programFolder(QFileInfo(m_folder).absoluteFilePath());
    m_outputPath = outputOption.isEmpty() ? programFolder.filePath(m_settings.text(Key::OutputASCIIFile))
                                          : QFileInfo(outputOption).absoluteFilePath();
    for (const QString& path : {m_outputPath, m_reportPath}) {
        const QString reason = path.isEmpty() ? QString() : unwritableReason(path);
        if (!reason.isEmpty())
            return fail(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason));
    }

    return startStoredRun(linksFile, urls);
}

// The run over the file's URLs, over its interrupted run's list from where it
// was, or over the URLs that failed last time; journaled in every case.
int BatchCommand::startStoredRun(const QString& linksFile, const QStringList& fileUrls)
{
    m_journal = std::make_unique<BatchJournal>(m_folder, m_preferences.values().keepRuns());
    if (const QString message = m_journal->storeMessage(); !message.isEmpty())
        print(m_err, QStringLiteral("quillmark-batch: warning: ") + message);
    QFile file(linksFile);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const BatchJournal::Plan plan = m_continue == Continue::Resume ? m_journal->resume(linksFile, bytes, m_results)
                                    : m_continue == Continue::RetryFailed ? m_journal->retryFailed(linksFile)
                                                                          : m_journal->fresh(linksFile, bytes, fileUrls);
    if (!plan.error.isEmpty())
        return fail(plan.error);
    const QStringList& urls = plan.urls;
    m_batch = std::make_unique<BatchRun>(m_settings, urls, m_badWords, m_validStatus);
    BatchRun* run = m_batch.get();
    run->setPreferences(m_preferences.values());
    // The same rows and texts as the window's, on the error output.
    m_feed = std::make_unique<RunTableFeed>(*run, m_results);
    RunTableFeed* feed = m_feed.get();
    connect(feed, &RunTableFeed::statusTextChanged, this,
            [this](const QString& text) { print(m_err, text); });
    auto progress = [this, run, feed] {
        const QString pace = feed->paceText();
        print(m_err,
              QStringLiteral(" Processed: %1  Added: %2  %3%4")
                  .arg(run->processed())
                  .arg(run->added())
                  .arg(feed->progressText(), pace.isEmpty() ? QString() : QStringLiteral("  ") + pace));
    };
    connect(feed, &RunTableFeed::progressChanged, this, progress);
    // A run held up by silent servers says so, though no URL is done meanwhile.
    connect(feed, &RunTableFeed::waitingChanged, this, progress);
    connect(run, &BatchRun::finished, this, &BatchCommand::onBatchFinished);
    connect(run, &BatchRun::analysisAbandoned, this, [this](const QString& url, const QString& why) {
        print(m_err, QStringLiteral("error: %1: %2").arg(url, why));
    });
    m_journal->attach(*run, plan, [this](const QString& message) {
        print(m_err, QStringLiteral("quillmark-batch: warning: ") + message);
    });
    if (plan.resumeId > 0) {
        print(m_err, QStringLiteral(" %1 URLs from %2, going on at %3")
                         .arg(urls.size())
                         .arg(QDir::toNativeSeparators(linksFile))
                         .arg(plan.position));
        run->resume(plan.position, plan.position - 1, plan.rows);
    } else {
        print(m_err,
              QStringLiteral(" %1 URLs from %2").arg(urls.size()).arg(QDir::toNativeSeparators(linksFile)));
        run->start();
    }
    return -1;
}

bool BatchCommand::requestStop()
{
    if (!m_batch || !m_batch->isRunning())
        return false;
    print(m_err, QString::fromLatin1(RunTableFeed::StopMessage));
    m_batch->requestStop();
    return true;
}

void BatchCommand::onBatchFinished()
{
    const SaveOutcome saved =
        SaveResults(m_results, m_outputPath, m_settings.text(Key::OutputASCIIDelimeter));
    if (!saved.ok)
        print(m_err, QStringLiteral("quillmark-batch: ") + saved.message());
    else
        print(m_err, QStringLiteral(" %1 rows written to %2")
                         .arg(m_batch->added())
                         .arg(QDir::toNativeSeparators(m_outputPath)));
    // The report is written even when the rows could not be: it says what
    // became of each URL.
    bool reported = true;
    if (!m_reportPath.isEmpty()) {
        const RunReport report = m_batch->report();
        const SaveOutcome written = report.save(m_reportPath);
        reported = written.ok;
        if (!written.ok)
            print(m_err, QStringLiteral("quillmark-batch: ") + written.message());
        else
            print(m_err, QStringLiteral(" %1 URLs reported in %2")
                             .arg(report.lines().size())
                             .arg(QDir::toNativeSeparators(m_reportPath)));
    }
    Q_EMIT finished(saved.ok && reported ? Success : WriteFailed);
}

int BatchCommand::startTest(const QString& url)
{
    m_test = std::make_unique<TestRun>(m_settings, m_badWords, m_validStatus);
    m_test->setPreferences(m_preferences.values());
    connect(m_test.get(), &TestRun::finished, this, &BatchCommand::onTestFinished);
    // The window's e-mail box starts with this text, and a test without an
    // e-mail option selected leaves the box as it was.
    m_test->start(url, QStringLiteral("email"));
    return -1;
}

void BatchCommand::onTestFinished(const TestRunResult& result)
{
    print(m_out, QStringLiteral("Verdict: ") + result.verdict);
    print(m_out, QStringLiteral("Title: ") + result.title);
    print(m_out, QStringLiteral("Email: ") + result.email);
    print(m_out, QStringLiteral("Description: ") + result.description);
    if (!result.fetched)
        print(m_err, QStringLiteral("quillmark-batch: the page could not be fetched: ") + result.fetchError);
    Q_EMIT finished(Success);
}

int BatchCommand::startRecheck(const QString& file, bool failOnLost)
{
    const QString reason = m_reportPath.isEmpty() ? QString() : unwritableReason(m_reportPath);
    if (!reason.isEmpty())
        return fail(
            QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(m_reportPath), reason));
    m_recheck = std::make_unique<RecheckCommand>(m_out, m_err);
    connect(m_recheck.get(), &RecheckCommand::finished, this, &BatchCommand::finished);
    return m_recheck->start({file, m_settings.text(Key::OutputASCIIDelimeter),
                             QFileInfo(m_folder).absoluteFilePath(), m_reportPath, m_preferences.values(),
                             failOnLost});
}
