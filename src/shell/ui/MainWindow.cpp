#include "shell/ui/MainWindow.h"

#include "Version.h"
#include "links/ui/LinksArea.h"
#include "platform/LogCategories.h"
#include "run/BatchRun.h"
#include "shell/browser/BrowserPane.h"
#include "shell/ui/ClosePrompt.h"
#include "shell/ui/ConfigArea.h"
#include "shell/ui/DataArea.h"
#include "shell/ui/RunHistory.h"
#include "shell/ui/WindowHelpers.h"
#include "ui_MainWindow.h"
#include "workspace/Workspace.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <cmath>

namespace {

// The four loads of the start-up, by the object names of their "Load"
// buttons: settings first, so that the list loads use the file names it reads.
constexpr std::array<const char*, 4> startUpLoadButtons = {"Command36", "Command38", "Command22",
                                                           "Command42"};

int toPixels(int twips, double twipsPerPixel)
{
    return int(std::lround(twips / twipsPerPixel));
}

QRect toPixels(const QRect& twips, TwipsPerPixel tpp)
{
    return QRect(toPixels(twips.left(), tpp.x), toPixels(twips.top(), tpp.y), toPixels(twips.width(), tpp.x),
                 toPixels(twips.height(), tpp.y));
}

void placeNamed(QWidget* container, const char* name, const QRect& twips, TwipsPerPixel tpp)
{
    if (auto* control = container->findChild<QWidget*>(QString::fromLatin1(name)))
        control->setGeometry(toPixels(twips, tpp));
}

} // namespace

MainWindow::MainWindow(Workspace& workspace, QWebEngineProfile& profile, QWidget* parent)
    : QWidget(parent), m_workspace(workspace), m_ui(std::make_unique<Ui::MainWindow>())
{
    m_ui->setupUi(this);
    m_tabs = {m_ui->Option30, m_ui->Option31, m_ui->Option32, m_ui->Option33};
    m_areas = {m_ui->Picture1, m_ui->Picture2, m_ui->Picture3, m_ui->Picture4};
    for (int i = 0; i < LayoutResult::Areas; ++i)
        m_ui->tabGroup->setId(m_tabs[size_t(i)], i);
    m_ui->tabGroup->setExclusive(true);

    // "1. Browse": the browser pane fills its area.
    m_browser = new BrowserPane(profile, m_workspace.folder(), m_ui->Picture1);
    auto* browseLayout = new QVBoxLayout(m_ui->Picture1);
    browseLayout->setContentsMargins(0, 0, 0, 0);
    browseLayout->addWidget(m_browser);

    // "2. Links": the link list area is constructed into m_ui->Picture2 here.
    auto* linksLayout = new QVBoxLayout(m_ui->Picture2);
    linksLayout->setContentsMargins(0, 0, 0, 0);
    linksLayout->addWidget(new LinksArea(m_workspace, *m_browser,
                                         [this](const QString& address) { m_browser->navigate(address); }));

    // "3. Config": the settings pages are constructed into m_ui->Picture3 here.
    auto* configLayout = new QVBoxLayout(m_ui->Picture3);
    configLayout->setContentsMargins(0, 0, 0, 0);
    configLayout->addWidget(
        new ConfigArea(m_workspace, [this](const QString& address) { m_browser->navigate(address); }));

    // "4. Data": the batch run is made here and the Data area, which shows the
    // workspace's results table, goes into m_ui->Picture4.
    {
        // The run is a child of the window, the area of Picture4: the area goes
        // first and never touches the run on its way out.
        auto* run = new BatchRun(m_workspace.settings(), m_workspace.linkList(), m_workspace.badWords(),
                                 m_workspace.validStatus(), FetchOptions(), this);
        m_dataArea = new DataArea(m_workspace, *run, m_ui->Picture4);
        auto* dataLayout = new QVBoxLayout(m_ui->Picture4);
        dataLayout->setContentsMargins(0, 0, 0, 0);
        dataLayout->addWidget(m_dataArea);
        new ClosePrompt(this, *run, m_workspace.results(), [this] { return m_dataArea->saveResults(); });
    }

    connect(m_ui->tabGroup, &QButtonGroup::idClicked, this, &MainWindow::showArea);
    connect(m_ui->Command1, &QAbstractButton::clicked, this, &MainWindow::onForums);
    connect(m_ui->Check6, &QAbstractButton::clicked, this, &MainWindow::onOnTop);
    // "Test this URL" from the link list or the data area: the test frame is
    // in "3. Config".
    connect(&m_workspace, &Workspace::testRequested, this, [this] {
        m_tabs[2]->setChecked(true);
        showArea(2);
    });
    connect(m_browser, &BrowserPane::documentComplete, this,
            [this](const QString& title) { setWindowTitle(captionFor(title)); });

    m_ui->Option30->setChecked(true);
    showArea(0);
    // The first thing a user does is type an address.
    m_browser->addressBox()->setFocus();

    const TwipsPerPixel tpp = twipsPerPixel();
    resize(toPixels(12165, tpp.x), toPixels(8790, tpp.y));
    applyLayout(m_layout, tpp);
}

MainWindow::~MainWindow() = default;

QString MainWindow::captionFor(const QString& pageTitle)
{
    return pageTitle + QStringLiteral(" - ") + QStringLiteral(QUILLMARK_APP_TITLE) + QLatin1Char(' ') +
           QStringLiteral(QUILLMARK_VERSION_TEXT);
}

QWidget* MainWindow::area(int index) const
{
    return index >= 0 && index < LayoutResult::Areas ? m_areas[size_t(index)] : nullptr;
}

QAbstractButton* MainWindow::tabButton(int index) const
{
    return index >= 0 && index < LayoutResult::Areas ? m_tabs[size_t(index)] : nullptr;
}

int MainWindow::selectedArea() const
{
    return m_ui->tabGroup->checkedId();
}

TwipsPerPixel MainWindow::twipsPerPixel() const
{
    return TwipsPerPixel{1440.0 / logicalDpiX(), 1440.0 / logicalDpiY()};
}

void MainWindow::startUp()
{
    if (m_started)
        return;
    m_started = true;
    qCDebug(lcShell, "starting up in the program folder %s", qUtf8Printable(m_workspace.folder().path()));

    // Each load runs as a click on its own button, with that button's pointer
    // changes and failure handling; an area not built yet is simply skipped.
    for (const char* name : startUpLoadButtons) {
        if (auto* button = findChild<QAbstractButton*>(QString::fromLatin1(name)))
            button->click();
    }

    if (auto* table = m_ui->Picture4->findChild<QTableView*>(QStringLiteral("MSFlexGrid1"))) {
        const TwipsPerPixel tpp = twipsPerPixel();
        applyColumnWidths(table, ResultsColumnWidths::forTableWidth(int(std::lround(table->width() * tpp.x))),
                          tpp.x);
    }
    m_workspace.results().writeHeader();

    m_browser->loadPictures();
    setWindowTitle(captionFor(m_browser->title()));
    m_browser->goHome();
    // The run journal's questions come once the window is up, not before it.
    QTimer::singleShot(0, m_dataArea->runHistory(), &RunHistory::showStartMessages);
}

void MainWindow::showArea(int index)
{
    // Fixed order, the chosen area shown and the others hidden; nothing else
    // changes, so a hidden area keeps its page, its run and its state.
    for (int i = 0; i < LayoutResult::Areas; ++i)
        m_areas[size_t(i)]->setVisible(i == index);
}

void MainWindow::onForums()
{
    m_browser->navigateToUrl(
        QUrl::fromLocalFile(m_workspace.folder().filePath(QString::fromLatin1(HelpPageName))));
}

void MainWindow::onOnTop()
{
    WindowHelpers::setAlwaysOnTop(this, m_ui->Check6->isChecked());
}

void MainWindow::showEvent(QShowEvent* event)
{
    if (!m_started)
        startUp();
    QWidget::showEvent(event);
    runLayoutPass();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Before the start-up the design layout stands; the first pass follows it.
    if (m_started)
        runLayoutPass();
}

void MainWindow::runLayoutPass()
{
    const TwipsPerPixel tpp = twipsPerPixel();
    const QSize outer = frameGeometry().size();
    m_layout = LayoutPass::run(int(std::lround(outer.width() * tpp.x)),
                               int(std::lround(outer.height() * tpp.y)), m_layout, tpp);
    applyLayout(m_layout, tpp);
}

void MainWindow::applyColumnWidths(QTableView* table, const ResultsColumnWidths::Widths& widths,
                                   double twipsPerPixelX)
{
    if (!table || !table->model())
        return;
    const int columns = qMin(int(widths.size()), table->model()->columnCount());
    for (int c = 0; c < columns; ++c)
        table->setColumnWidth(c, toPixels(widths[size_t(c)], twipsPerPixelX));
}

void MainWindow::applyLayout(const LayoutResult& layout, TwipsPerPixel tpp)
{
    for (int i = 0; i < LayoutResult::Areas; ++i) {
        m_tabs[size_t(i)]->setGeometry(toPixels(layout.tabs[size_t(i)], tpp));
        m_areas[size_t(i)]->setGeometry(toPixels(layout.areas[size_t(i)], tpp));
    }
    m_browser->view()->setGeometry(toPixels(layout.web, tpp));
    placeNamed(m_ui->Picture2, "Links", layout.links, tpp);
    placeNamed(m_ui->Picture2, "Text31", layout.linkBox, tpp);
    m_dataArea->placeGrid(toPixels(layout.grid, tpp));
    placeNamed(m_ui->Picture4, "Label4", layout.status, tpp);
    applyColumnWidths(m_ui->Picture4->findChild<QTableView*>(QStringLiteral("MSFlexGrid1")),
                      layout.columnWidths, tpp.x);
    m_ui->Check6->setGeometry(toPixels(layout.onTop, tpp));
    m_ui->Command1->setGeometry(toPixels(layout.forums, tpp));
    Q_EMIT layoutApplied(layout, tpp);
}
