#include "BatchCommand.h"

#include "BatchJournal.h"
#include "RecheckCommand.h"
#include "Version.h"
#include "filters/ListFile.h"
#include "platform/FetchLimits.h"
#include "platform/LogCategories.h"
#include "platform/TextFile.h"
#include "results/AsciiDatabase.h"
#include "run/BatchRun.h"
#include "run/TestRun.h"
#include "settings/ProgramFolder.h"
#include "settings/RunPreferences.h"
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

} // namespace

BatchCommand::BatchCommand(const QStringList& arguments, std::FILE* out, std::FILE* err, QObject* parent)
    : QObject(parent), m_arguments(arguments), m_out(out), m_err(err)
{}

BatchCommand::~BatchCommand() = default;

QString BatchCommand::usage()
{
    return QStringLiteral(
        "NAME\n"
        "    quillmark-batch - the batch data run and the configuration test of " QUILLMARK_APP_TITLE
        " without a window\n"
        "\n"
        "SYNOPSIS\n"
        "    quillmark-batch [--verbose] [--folder DIR] [--output FILE] [--connections N]\n"
        "                    [--report FILE] [--resume | --retry-failed] [--my-site HOST]...\n"
        "                    [--accept-only-followed] LINKS_FILE\n"
        "    quillmark-batch --test [--verbose] [--folder DIR] [--my-site HOST]... [URL]\n"
        "    quillmark-batch --recheck FILE [--folder DIR] [--my-site HOST]... [--connections N]\n"
        "                    [--report FILE] [--fail-on-lost]\n"
        "    quillmark-batch --help\n"
        "    quillmark-batch --version\n"
        "\n"
        "DESCRIPTION\n"
        "    The first form visits every URL of LINKS_FILE, as \"Get Data\" does: each page is\n"
        "    fetched once, checked against the accepted status codes, the content type and the\n"
        "    reciprocal link, and every page that passes becomes a row whose title, e-mail and\n"
        "    description come from the extraction rules of the settings. LINKS_FILE holds one\n"
        "    URL per line; empty lines are skipped and the order of the file is kept. The status\n"
        "    text, the counters, the percentage, the pages per second over the last minute and\n"
        "    the time left are shown on standard error as they change.\n"
        "    At the end the rows are written as \"Save to ASCII File\" writes them: to the ASCII\n"
        "    file named in the settings, in DIR, or to FILE.\n"
        "\n"
        "    Several pages are fetched at once (see --connections); the URLs are still\n"
        "    checked one after the other in list order, so the rows are the same as with one\n"
        "    connection. A server that answers \"429\" or \"503\" with a Retry-After of at most\n"
        "    120 seconds is asked again after that pause, at most twice.\n"
        "\n"
        "    Ctrl-C asks the run to stop, as the \"Stop\" button does: the URL at work is\n"
        "    finished and the rows so far are written. SIGTERM and SIGHUP (the terminal\n"
        "    closed) do the same. A second Ctrl-C ends the program at once and writes\n"
        "    nothing. With no batch run to stop, as during the test, Ctrl-C ends the program\n"
        "    at once.\n"
        "\n"
        "    Every run is journaled in runs.sqlite in DIR as it goes: the list, and what came\n"
        "    of each URL as soon as it is decided. A run that was killed, or whose computer\n"
        "    went down, goes on with --resume where it was; the window offers the same for\n"
        "    its own runs. [Run] KeepRuns in preferences.ini says how many runs are kept\n"
        "    (default 50). A store that cannot be used is reported once; the run goes on\n"
        "    without it.\n"
        "\n"
        "    The second form runs the configuration test on URL (default: the test URL of the\n"
        "    settings) and prints the verdict text, the title, the e-mail and the description,\n"
        "    each on a line after its label. As in the window, the e-mail starts out as the\n"
        "    text \"email\", which stays when no e-mail option is selected.\n"
        "\n"
        "    When your site is set (--my-site, or Sites in the [LinkBack] section of\n"
        "    preferences.ini), every HTML page is also read for its links to that site: the\n"
        "    test prints one more line, such as \"Link back: nofollow — <a href=...>...</a>\",\n"
        "    and the report gives each page's verdict: followed, no link, only in a comment,\n"
        "    hidden, nofollow, noindex, blocked by robots.txt or canonical elsewhere. The\n"
        "    host's robots.txt is fetched once per host and run. Which pages become rows does\n"
        "    not change, unless --accept-only-followed asks for a followed link back.\n"
        "\n"
        "    The third form fetches each partner's page again: the URL cells of FILE, a\n"
        "    results file in the delimited format of the settings, or the lines of a link\n"
        "    list. For each page it prints the change since the last check in the run store\n"
        "    (runs.sqlite in DIR): kept, new, moved, lost, now nofollow, now noindex, now\n"
        "    blocked, page gone or unreachable, the changes first, then a summary line such\n"
        "    as \"212 partners: 198 kept, 6 lost, 3 nofollow, 5 gone\". A page that seems\n"
        "    lost or unreachable is fetched once more before that is said. It changes no\n"
        "    file but the report; its checks are kept in the run store for the next time.\n"
        "\n"
        "    Both read DIR as the program does at start-up: links.ini, the bad-words file it\n"
        "    names, and headers.txt, the accepted status codes.\n"
        "\n"
        "OPTIONS\n"
        "    --folder DIR\n"
        "        The folder of links.ini and the list files. Default: the program folder.\n"
        "    --output FILE\n"
        "        Write the rows to FILE instead of the ASCII file named in the settings.\n"
        "    --connections N\n"
        "        Fetch up to N pages at once (1 to 32). Default: Connections in the [Run]\n"
        "        section of preferences.ini in DIR, else 6. At most ConnectionsPerHost of that\n"
        "        section (1 to 4, default 2) go to one host at a time.\n"
        "    --report FILE\n"
        "        Also write a CSV file (RFC 4180, UTF-8, a header line) with one line per URL\n"
        "        of the list, in list order: index,url,outcome,reason,status_line,\n"
        "        content_type,bytes,milliseconds. The outcome is accepted (the reason names\n"
        "        the row), refused (the reason says which check refused the page and what it\n"
        "        saw), failed (the reason is the fetch's error) or not reached (the run was\n"
        "        stopped first). Two more columns follow: link_back and link_back_evidence,\n"
        "        the verdict on the link back and the link's markup (empty without a site).\n"
        "        With --recheck: url,change,link_back,previous_link_back,previous_checked,\n"
        "        final_url,status_line,attempts,link_back_evidence.\n"
        "    --resume\n"
        "        Go on with the last run of LINKS_FILE that was interrupted or stopped: its\n"
        "        rows are put back, the URLs from the first one without an outcome are\n"
        "        visited, and the rows are numbered on, so the file written is the one an\n"
        "        uninterrupted run writes. LINKS_FILE must be as it was when that run began;\n"
        "        otherwise nothing runs and the exit status is 2. With --report, the report\n"
        "        lists the URLs this resumed part visited.\n"
        "    --retry-failed\n"
        "        Visit only the URLs of the last run of LINKS_FILE whose fetch failed (no\n"
        "        answer, a time-out) or whose server answered with a 5xx status; pages the\n"
        "        checks refused are not visited again. Their rows are written as usual.\n"
        "    --my-site HOST\n"
        "        Your site, as a host name (example.com also stands for www.example.com, over\n"
        "        http and https) or an address prefix (https://example.com/blog/). May be\n"
        "        given more than once; replaces Sites of the [LinkBack] section.\n"
        "    --accept-only-followed\n"
        "        A page becomes a row only with a followed link back to your site; the\n"
        "        others are refused with the verdict as the reason (\"link back: nofollow\").\n"
        "        Default: AcceptOnlyFollowed of the [LinkBack] section, else off.\n"
        "    --recheck FILE\n"
        "        Re-check the links back of the partners in FILE (see above).\n"
        "    --fail-on-lost\n"
        "        With --recheck: end with status 3 when some page lost its link back.\n"
        "    --test\n"
        "        Run the configuration test instead of the batch run.\n"
        "    --verbose\n"
        "        Also tell on standard error what happens on the way: each fetch (status line,\n"
        "        size, time or error), why a page got no row (the check that refused it, the\n"
        "        status line or content type, the bad word), and each file loaded or saved.\n"
        "        These lines begin with their area, such as \"quillmark.analysis: \".\n"
        "    -h, --help\n"
        "        Show this text.\n"
        "    --version\n"
        "        Show the program's name and version.\n"
        "\n"
        "EXIT STATUS\n"
        "    0   The run completed or was stopped and its rows were written; or the test ran;\n"
        "        or the help or the version was shown.\n"
        "    1   The rows or the report could not be written.\n"
        "    2   Wrong usage, a missing links file or folder, or an output or report that cannot\n"
        "        be written; for --resume or --retry-failed, no stored run of LINKS_FILE, or a\n"
        "        LINKS_FILE that has changed since its run.\n"
        "    3   With --recheck and --fail-on-lost: some page lost its link back. Without\n"
        "        --fail-on-lost a re-check ends with 0 even then; its report says so.\n"
        "    A Ctrl-C or SIGTERM that ends the program at once ends it by that signal.\n"
        "\n"
        "VERSION\n"
        "    " QUILLMARK_APP_TITLE " " QUILLMARK_VERSION_TEXT "\n");
}

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
    const QCommandLineOption mySite(QStringLiteral("my-site"), QString(), QStringLiteral("HOST"));
    const QCommandLineOption acceptOnlyFollowed(QStringLiteral("accept-only-followed"));
    const QCommandLineOption recheck(QStringLiteral("recheck"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption failOnLost(QStringLiteral("fail-on-lost"));
    parser.addOptions({folder, output, test, help, version, verbose, connections, report, resume, retryFailed,
                       mySite, acceptOnlyFollowed, recheck, failOnLost});
    if (!parser.parse(m_arguments))
        return fail(parser.errorText() + QStringLiteral("\nTry 'quillmark-batch --help'."));
    if (parser.isSet(help)) {
        print(m_out, usage());
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
    if (parser.isSet(connections)) {
        bool ok = false;
        m_connections = parser.value(connections).toInt(&ok);
        if (!ok || m_connections < 1 || m_connections > FetchLimits::MostConnections)
            return fail(QStringLiteral("--connections takes a whole number from 1 to %1, not \"%2\"")
                            .arg(FetchLimits::MostConnections)
                            .arg(parser.value(connections)));
    }
    if (parser.isSet(recheck) && (parser.isSet(test) || parser.isSet(output) || !positional.isEmpty() ||
                                  parser.isSet(acceptOnlyFollowed) || parser.isSet(resume) ||
                                  parser.isSet(retryFailed)))
        return fail(QStringLiteral("--recheck takes only --folder, --my-site, --connections, --report and "
                                   "--fail-on-lost\nTry 'quillmark-batch --help'."));
    if (parser.isSet(failOnLost) && !parser.isSet(recheck))
        return fail(QStringLiteral("--fail-on-lost has a use only with --recheck"));
    m_reportPath = parser.isSet(report) ? QFileInfo(parser.value(report)).absoluteFilePath() : QString();
    if (!parser.isSet(test) && !parser.isSet(recheck) && positional.isEmpty())
        return fail(QStringLiteral("no links file given\nTry 'quillmark-batch --help'."));
    if (!loadFolder(parser.value(folder)))
        return UsageError;
    QStringList errors;
    QStringList warnings;
    m_linkBack = RecheckCommand::linkBackSetup(QFileInfo(m_folder).absoluteFilePath(), parser.values(mySite),
                                               parser.isSet(acceptOnlyFollowed), &errors, &warnings);
    for (const QString& warning : warnings)
        print(m_err, QStringLiteral("quillmark-batch: warning: ") + warning);
    if (!errors.isEmpty())
        return fail(errors.constFirst());
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
    m_preferences = RunPreferences::load(RunPreferences::filePath(programFolder));
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
    m_journal = std::make_unique<BatchJournal>(m_folder, m_preferences.keepRuns());
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
    m_batch = std::make_unique<BatchRun>(m_settings, urls, m_badWords, m_validStatus, m_results);
    BatchRun* run = m_batch.get();
    run->setLinkBack(m_linkBack);
    FetchLimits limits = m_preferences.limits();
    if (m_connections > 0)
        limits.connections = m_connections;
    run->setFetchLimits(limits);
    connect(run, &BatchRun::statusTextChanged, this, [this](const QString& text) { print(m_err, text); });
    connect(run, &BatchRun::progressChanged, this, [this, run](double, const QString& percent) {
        const QString pace = run->paceText();
        print(m_err, QStringLiteral(" Processed: %1  Added: %2  %3%4")
                         .arg(run->processed())
                         .arg(run->added())
                         .arg(percent, pace.isEmpty() ? QString() : QStringLiteral("  ") + pace));
    });
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
    print(m_err, QString::fromLatin1(BatchRun::StopMessage));
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
    m_test->setLinkBack(m_linkBack);
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
    FetchLimits limits = m_preferences.limits();
    if (m_connections > 0)
        limits.connections = m_connections;
    m_recheck = std::make_unique<RecheckCommand>(m_out, m_err);
    connect(m_recheck.get(), &RecheckCommand::finished, this, &BatchCommand::finished);
    return m_recheck->start({file, m_settings.text(Key::OutputASCIIDelimeter),
                             QFileInfo(m_folder).absoluteFilePath(), m_reportPath, m_linkBack, limits,
                             failOnLost});
}
