#include "RecheckCommand.h"

#include "run/RecheckRun.h"
#include "run/RecheckSource.h"
#include "run/LinkBackSetup.h"
#include "settings/ProgramFolder.h"
#include "store/RunStore.h"

#include <QDateTime>
#include <QDir>

RecheckCommand::RecheckCommand(std::FILE* out, std::FILE* err, QObject* parent)
    : QObject(parent), m_out(out), m_err(err)
{}

RecheckCommand::~RecheckCommand() = default;

void RecheckCommand::print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

int RecheckCommand::start(const Request& request)
{
    m_request = request;
    const LinkBackSetup setup = LinkBackSetup::from(request.preferences.linkBack());
    if (!setup.isOn()) {
        print(m_err, QStringLiteral("quillmark-batch: --recheck needs your site: give --my-site HOST, or set "
                                    "Sites in the [LinkBack] section of preferences.ini"));
        return 2;
    }
    const std::optional<QStringList> urls = RecheckSource::fromFile(request.file, request.delimiter);
    if (!urls) {
        print(m_err,
              QStringLiteral("quillmark-batch: cannot read %1").arg(QDir::toNativeSeparators(request.file)));
        return 2;
    }
    RunStore::Options options;
    options.keepRuns = request.preferences.keepRuns();
    m_store = std::make_unique<RunStore>(
        ProgramFolder(request.folder).filePath(QString::fromLatin1(RunStore::FileName)), options);
    if (!m_store->message().isEmpty())
        print(m_err, QStringLiteral("quillmark-batch: warning: ") + m_store->message());
    m_run = std::make_unique<RecheckRun>(*urls, setup, m_store.get(), request.preferences.fetchOptions());
    m_run->setFetchLimits(request.preferences.limits());
    connect(m_run.get(), &RecheckRun::progressed, this, [this](int done, int count) {
        print(m_err, QStringLiteral(" Rechecked: %1 of %2").arg(done).arg(count));
    });
    connect(m_run.get(), &RecheckRun::finished, this, &RecheckCommand::onFinished);
    print(
        m_err,
        QStringLiteral(" %1 partners from %2").arg(urls->size()).arg(QDir::toNativeSeparators(request.file)));
    m_run->start();
    return -1;
}

void RecheckCommand::onFinished()
{
    // One line per page, the changes first: change, address, today's verdict
    // and what it was before ("first check" says that itself).
    for (const RecheckLine& line : m_run->changesFirst()) {
        QString today = line.today.reached ? LinkBackVerdict::name(line.today.verdict) : line.error;
        if (line.today.reached && (line.today.status < 200 || line.today.status >= 300))
            today = line.statusLine;
        if (line.previous) {
            today += QStringLiteral(" (was %1 on %2)")
                         .arg(LinkBackVerdict::name(line.previous->verdict),
                              QDateTime::fromMSecsSinceEpoch(line.previousCheckedAt, Qt::UTC)
                                  .toString(QStringLiteral("yyyy-MM-dd")));
        } else if (line.change != LinkBackChange::FirstCheck) {
            today += QStringLiteral(" (first check)");
        }
        print(m_out, QStringLiteral("%1\t%2\t%3")
                         .arg(LinkBackChanges::shownName(line.change, line.today), line.url, today));
    }
    print(m_out, m_run->summary());
    int code = 0;
    if (!m_request.reportPath.isEmpty()) {
        const SaveOutcome saved = m_run->saveReport(m_request.reportPath);
        if (!saved.ok) {
            print(m_err, QStringLiteral("quillmark-batch: ") + saved.message());
            code = 1;
        }
    }
    if (code == 0 && m_request.failOnLost && m_run->anyLost())
        code = LinksLost;
    // The run stays until this command goes: its journal commits the checks then.
    Q_EMIT finished(code);
}
