#include "app/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>

#include "app/about_box.h"
#include "app/calibration_curve_page.h"
#include "app/calibration_masses_page.h"
#include "app/chart.h"
#include "app/chart_export.h"
#include "app/composition_page.h"
#include "app/my_thread.h"
#include "app/progress_window.h"
#include "app/results_page.h"
#include "app/settings_page.h"
#include "app/single_peak_page.h"
#include "app/spectrum_page.h"
#include "app/testing_page.h"
#include "app/theory_page.h"
#include "app/widget_factory.h"
#include "fitting/calibration_curve.h"
#include "formats/mz_file.h"
#include "results/results_assembly.h"
#include "state/clear_all.h"
#include "state/errors.h"
#include "state/messages.h"
#include "state/points_file.h"
#include "state/quick_folders.h"
#include "state/spectrum_road.h"

namespace ostrel {

TForm1::TForm1(std::unique_ptr<UiSeam> seam, QString programFolder, QWidget* parent)
    : QMainWindow(parent),
      seam_(seam ? std::move(seam) : std::make_unique<QtUiSeam>(this)),
      programFolder_(std::move(programFolder)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Ostrel"));
    resize(1288, 1004);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    QFont font = this->font();
    font.setPixelSize(10);
    setFont(font);
    BuildPages();
    BuildMenus();
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    statusBar()->addWidget(status_, 1);
    form5_ = new TForm5(this);
    FormCreate();
    WatchPointers();
}

TForm1::~TForm1() {
    StopLastPass();
}

void TForm1::StopLastPass() {
    if (!worker_) return;
    QObject::disconnect(worker_.get(), nullptr, this, nullptr);  // no results assembly now
    worker_->RequestStop();
    // The worker's last reports are calls on this thread: serve them until it has ended.
    while (!worker_->wait(10)) QCoreApplication::processEvents();
    worker_.reset();
    form5_->Finish();
    RefuseCommands(false);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (unsaved_.Any() && !seam_->AskYesNo(QuitQuestion(unsaved_))) {
        event->ignore();
        return;
    }
    StopLastPass();
    QMainWindow::closeEvent(event);
}

void TForm1::WatchPointers() {
    const std::pair<Chart*, PointerAxes> charts[] = {
        {spectrum_->Chart1, {"m/z", 5, "I", 0}},
        {settings_->Chart5, {"m/z", 5, "I", 0}},
        {curve_->Chart2, {"m/z", 5, "ΔM (mmu)", 2}},
        {theoryCH_->chart, {"m/z", 4, "дефект (mmu)", 1}},
        {theoryCF_->chart, {"m/z", 4, "дефект (mmu)", 1}},
    };
    for (const auto& [chart, axes] : charts) {
        chart->SetPointerAxes(axes);
        chart->SetPointerWatcher([this, chart = chart](double x, double y) {
            status_->setText(
                Q(PointerStatusText(chart->Axes(), x, y, chart->ClickedX(), state_.Format)));
        });
    }
    // A page shown anew starts without the last page's reading.
    connect(pages_, &QTabWidget::currentChanged, status_, &QLabel::clear);
}

ChartSeries* TForm1::Series(const QString& name) const {
    for (Chart* chart : findChildren<Chart*>())
        if (ChartSeries* s = chart->Series(name)) return s;
    return nullptr;
}

Chart* TForm1::ChartNamed(const QString& name) const {
    return findChild<Chart*>(name);
}

QAction* TForm1::Action(const QString& name) const {
    return findChild<QAction*>(name);
}

void TForm1::BuildPages() {
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    QFont font = pages_->font();
    font.setPixelSize(9);
    pages_->setFont(font);
    setCentralWidget(pages_);
    spectrum_ = new SpectrumPage(*this);
    results_ = new ResultsPage(*this);
    settings_ = new SettingsPage(*this);
    masses_ = new CalibrationMassesPage(*this);
    curve_ = new CalibrationCurvePage(*this);
    theoryCH_ = new TheoryPage(*this, TheoryPage::Family::CH);
    theoryCF_ = new TheoryPage(*this, TheoryPage::Family::CF);
    single_ = new SinglePeakPage(*this);
    testing_ = new TestingPage(*this);
    composition_ = new CompositionPage(*this);
    const std::pair<QWidget*, const char*> pages[] = {{spectrum_, "Спектр"},
                                                      {results_, "Информация"},
                                                      {settings_, "Настройка"},
                                                      {masses_, "Калибровочные массы"},
                                                      {curve_, "Калибровочная кривая"},
                                                      {theoryCH_, "Теория CH"},
                                                      {theoryCF_, "Теория CF"},
                                                      {single_, "Отдельный пик"},
                                                      {testing_, "Тестирование"},
                                                      {composition_, "Состав"}};
    for (const auto& [page, caption] : pages) {
        page->installEventFilter(this);
        pages_->addTab(page, QString::fromUtf8(caption));
    }
}

void TForm1::AddSwitch(QMenu* menu, const QString& name, const QString& caption, bool visibleInMenu,
                       const QString& series, bool markers) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setCheckable(true);
    action->setVisible(visibleInMenu);
    // The series and the check mark are inverted independently of each other.
    connect(action, &QAction::triggered, this, [this, series, markers] {
        ChartSeries* s = Series(series);
        if (markers)
            s->SetMarkersVisible(!s->MarkersVisible());
        else
            s->SetVisible(!s->IsVisible());
        spectrum_->Chart1->replot(QCustomPlot::rpQueuedReplot);
    });
}

void TForm1::BuildViewMenu(QMenu* menu) {
    QAction* log = menu->addAction(QStringLiteral("Логарифм. шкала"));
    log->setObjectName(QStringLiteral("N11"));
    log->setCheckable(true);
    log->setShortcut(QKeySequence(QStringLiteral("Ctrl+L")));
    connect(log, &QAction::triggered, this, [this] {
        Chart* chart = spectrum_->Chart1;
        chart->SetLogarithmic(!chart->IsLogarithmic());
        chart->FitValueAxis();
        chart->replot(QCustomPlot::rpQueuedReplot);
    });
    menu->addSeparator();
    AddSwitch(menu, "Series11", "Спектр", true, "Series1", false);
    AddSwitch(menu, "Points11", "Спектр (точки)", true, "Series1", true);
    menu->addSeparator();
    AddSwitch(menu, "Series61", "Обработанное", true, "Series6", false);
    AddSwitch(menu, "Points61", "Обработанное (точки)", true, "Series6", true);
    QAction* labels = menu->addAction(Q(kPeakLabelsCaption));
    labels->setObjectName(QStringLiteral("PeakLabels1"));
    labels->setCheckable(true);
    connect(labels, &QAction::triggered, this,
            [this] { spectrum_->Chart1->replot(QCustomPlot::rpQueuedReplot); });
    menu->addSeparator();
    const struct {
        const char *visibility, *markers, *caption, *series;
    } hidden[] = {{"Series21", "Points21", "2", "Series2"},
                  {"Series31", "Points31", "3", "Series3"},
                  {"Series41", "Points41", "4", "Series4"},
                  {"Series51", "Points51", "5", "Series5"},
                  {"N29", "N43", "Наклон", "Series16"}};
    for (size_t i = 0; i < std::size(hidden); ++i) {
        if (i > 0) menu->addSeparator()->setVisible(false);
        const QString caption = QString::fromUtf8(hidden[i].caption);
        AddSwitch(menu, hidden[i].visibility, caption, false, hidden[i].series, false);
        AddSwitch(menu, hidden[i].markers, caption + QStringLiteral(" (точки)"), false,
                  hidden[i].series, true);
    }
    Action("Series11")->setChecked(true);
    Action("Series61")->setChecked(true);
}

void TForm1::BuildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto item = [this](QMenu* menu, const char* name, const QString& caption,
                       const char* shortcut = nullptr) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        if (shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
        return a;
    };
    auto submenu = [](QMenu* menu, const char* name, const QString& caption) {
        QMenu* sub = menu->addMenu(caption);
        sub->setObjectName(name);
        sub->menuAction()->setObjectName(QStringLiteral("%1Item").arg(QString::fromLatin1(name)));
        return sub;
    };

    QMenu* file = bar->addMenu(QStringLiteral("Файл"));
    file->setObjectName(QStringLiteral("N1"));
    connect(item(file, "N2", "Открыть...", "Ctrl+O"), &QAction::triggered, this,
            [this] { N2Click(); });
    QMenu* folders = submenu(file, "N9", "Папки");
    // The folders are those of this computer that exist when the menu opens.
    for (const char* name : {"QuickFolder1", "QuickFolder2", "QuickFolder3", "CTemp1"}) {
        if (std::string(name) == "CTemp1") folders->addSeparator();
        connect(item(folders, name, QString()), &QAction::triggered, this, [this, name] {
            if (QAction* a = Action(QString::fromLatin1(name)))
                QuickFolderClick(a->data().toString().toStdString());
        });
    }
    connect(folders, &QMenu::aboutToShow, this, [this] { UpdateDataCommands(); });
    file->addSeparator();
    connect(item(file, "N42", "Сохранить...", "Ctrl+S"), &QAction::triggered, this,
            [this] { N42Click(); });
    connect(item(file, "RestoreSpectrum1", Q(kRestoreSpectrumCaption)), &QAction::triggered, this,
            [this] { RestoreSpectrumClick(); });
    QMenu* info = submenu(file, "N36", "Информация");
    connect(item(info, "HTML1", "HTML"), &QAction::triggered, this,
            [this] { results_->HTMLOut(HtmlLook::Plain); });
    connect(item(info, "HTML2", "HTML (усовершен.)"), &QAction::triggered, this,
            [this] { results_->HTMLOut(HtmlLook::Improved); });
    QMenu* graph = submenu(file, "N30", "График");
    connect(item(graph, "BMP1", "BMP"), &QAction::triggered, this, [this] { BMP1Click(*this); });
    connect(item(graph, "N35", "Печать..."), &QAction::triggered, this,
            [this] { N35Click(*this); });
    connect(item(submenu(file, "N41", "Калибровочная кривая"), "BMP3", "BMP"), &QAction::triggered,
            this, [this] { BMP3Click(*this); });
    file->addSeparator();
    QMenu* ch = submenu(file, "CH1", "Теория CH");
    connect(item(ch, "BMP2", "BMP"), &QAction::triggered, this, [this] { BMP2Click(*this); });
    connect(item(ch, "TXT1", "TXT"), &QAction::triggered, this,
            [this] { theoryCH_->PilaCHToFile(); });
    connect(item(submenu(file, "CF1", "Теория CF"), "BMP4", "BMP"), &QAction::triggered, this,
            [this] { BMP4Click(*this); });
    QMenu* chList = submenu(file, "CH2", "Список CH");
    connect(item(chList, "XLS1", "TXT (для Excel)"), &QAction::triggered, this,
            [this] { theoryCH_->XLS1Click(); });
    connect(item(chList, "HTML3", "HTML"), &QAction::triggered, this,
            [this] { theoryCH_->HTML3Click(); });
    file->addSeparator();
    connect(item(file, "N3", "Выход", "Ctrl+Q"), &QAction::triggered, this, [this] { close(); });
    // The shortcuts reach the items without the menu, so the items follow the data at once; the
    // menu checks again before it opens.
    connect(file, &QMenu::aboutToShow, this, [this] { UpdateDataCommands(); });

    QMenu* view = bar->addMenu(QStringLiteral("Вид"));
    view->setObjectName(QStringLiteral("N10"));
    BuildViewMenu(view);

    QMenu* help = bar->addMenu(QStringLiteral("Помощь"));
    help->setObjectName(QStringLiteral("N13"));
    QAction* hint = item(help, "N44", "Подсказка", "F1");
    hint->setCheckable(true);
    hint->setChecked(true);
    connect(hint, &QAction::triggered, this, [this] { N44Click(); });
    QAction* marks = item(help, "N31", "Хинты на CH и CF");
    marks->setCheckable(true);
    marks->setChecked(true);
    connect(marks, &QAction::triggered, this, [this] { N31Click(); });
    help->addSeparator();
    connect(item(help, "N14", "О программе...", "Ctrl+A"), &QAction::triggered, this,
            [this] { N14Click(); });
}

void TForm1::FormCreate() {
    state_.MarkHints = true;
    theoryCH_->Measured->SetMarksVisible(true);
    theoryCF_->Measured->SetMarksVisible(true);
    state_.HintMode = true;
    state_.KolUsred = PreliminarySettings::kDefaultKolUsred;
    state_.KrivoMn = PreliminarySettings::kDefaultKrivoMn;
    settings_->Edit2->setText(Q(KolUsredText(state_)));
    settings_->Edit3->setText(Q(KrivoMnText(state_)));
    results_->ShowGrid();
    pages_->setCurrentIndex(0);
    settings_->ListBox1->setToolTip(Q(ZoneListTooltip()).replace('\r', '\n'));
    state_.ComputerName = ComputerNameFrom(QHostInfo::localHostName().toStdString());
    // Before the first spectrum the dialogs start in the user's home folder.
    state_.DialogFolder = QDir::homePath().toStdString() + "/";
    // The column dialog shows the choice the page will be written with: all at first.
    state_.ColumnChosen.fill(true);
    ApplyLayoutRule();
    for (QPushButton* b :
         {curve_->Button6, curve_->Button4, curve_->Button5, settings_->Button9,
          settings_->Button13, settings_->BitBtn1, single_->Button16, single_->Button17,
          masses_->Button1, masses_->Button2, masses_->Button3, masses_->Button8, masses_->Button14,
          masses_->Button15, masses_->AutoPair})
        b->setEnabled(false);
    UpdateDataCommands();
}

void TForm1::RefreshQuickFolders() {
    QuickFolderPlaces places;
    places.home = QDir::homePath().toStdString();
    places.programFolder = programFolder_.toStdString();
    places.spectrumFolder = state_.Points.PointCount() > 0 ? spectrumFolder_ : std::string();
    places.tempFolder = QDir::tempPath().toStdString();
    for (const char* name : {"QuickFolder1", "QuickFolder2", "QuickFolder3", "CTemp1"})
        Action(QString::fromLatin1(name))->setVisible(false);
    for (const QuickFolder& q : QuickFolders(places)) {
        QAction* a = Action(Q(q.item));
        a->setText(Q(q.caption));
        a->setData(Q(q.folder));
        a->setVisible(true);
        a->setEnabled(!refusing_);  // hidden, an item was disabled with it
    }
}

void TForm1::UpdateDataCommands() {
    if (refusing_) return;  // RefuseCommands(false) comes back here
    const bool spectrum = state_.Points.PointCount() > 0;
    const bool results = !state_.Peaks.empty();
    const bool theoryCH = state_.Theory.chSaw.Count() > 0 || state_.Theory.chPeaks.Count() > 0;
    const bool theoryCF = state_.Theory.cfSaw.Count() > 0 || state_.Theory.cfPeaks.Count() > 0;
    const std::pair<const char*, bool> commands[] = {
        {"N42", spectrum},
        {"RestoreSpectrum1", road_.CanRestoreSpectrum()},
        {"HTML1", results},
        {"HTML2", results},
        {"N4", results},
        {"TXT2", results},
        {"BMP1", spectrum},
        {"N35", spectrum},
        {"BMP3", state_.CalibPoints.Count() > 0},
        {"BMP2", theoryCH},
        {"TXT1", theoryCH},
        {"BMP4", theoryCF},
        {"XLS1", results},
        {"HTML3", results},
    };
    for (const auto& [name, enabled] : commands)
        Action(QString::fromLatin1(name))->setEnabled(enabled);
    RefreshQuickFolders();
}

void TForm1::ApplyClearAll(const ClearedParts& cleared) {
    using P = DerivedPart;
    // The widgets that show each part, series first in the order they are drawn.
    const std::pair<P, std::vector<ChartSeries*>> series[] = {
        {P::SpectrumCurve, {spectrum_->Series1}},
        {P::StageCurves,
         {spectrum_->Series2, spectrum_->Series3, spectrum_->Series4, spectrum_->Series5}},
        {P::FittedCurves, {spectrum_->Series6}},
        {P::CalibrationCurve, {curve_->Series7, curve_->Series8, curve_->Residuals}},
        {P::TheorySeries,
         {theoryCH_->Saw, theoryCH_->Measured, theoryCF_->Saw, theoryCF_->Measured}},
        {P::ZoneChoice, {settings_->Series14, settings_->Series15}},
        {P::SlopeCurve, {spectrum_->Series16}},
    };
    for (const auto& [part, shown] : series)
        if (cleared.Has(part))
            for (ChartSeries* s : shown) s->Clear();
    const std::pair<P, std::vector<QListWidget*>> lists[] = {
        {P::ZoneList, {settings_->ListBox1}},
        {P::StandardMasses, {masses_->ListBox2}},
        {P::PassReports, {testing_->ListBox3, testing_->ListBox4}},
        {P::MassLists, {masses_->ListBox5, single_->ListBox8}},
        {P::CalibrationList, {masses_->ListBox6}},
        {P::SinglePeak, {single_->ListBox9}},
    };
    for (const auto& [part, shown] : lists)
        if (cleared.Has(part))
            for (QListWidget* list : shown) list->clear();
    if (cleared.Has(P::CalibrationList)) {
        masses_->Edit1->clear();
        masses_->AutoAnswer->clear();
        curve_->ProposedFit->clear();
    }
    settings_->Edit2->setText(Q(cleared.kolUsredText));
    settings_->Edit3->setText(Q(cleared.krivoMnText));
    if (cleared.Has(P::PassReports)) {
        testing_->Label2->setText(QStringLiteral("-"));
        testing_->Label4->setText(QStringLiteral("-"));
    }
    // Commands whose data are gone: the curve fits and the recalculation, the single peak, and
    // without the zone list of this spectrum the height and "Последняя".
    const std::pair<P, std::vector<QPushButton*>> commands[] = {
        {P::CalibrationCurve, {curve_->Button6, curve_->Button4, curve_->Button5}},
        {P::SinglePeak, {single_->Button16, single_->Button17}},
        {P::ZoneChoice, {settings_->Button13, settings_->BitBtn1}},
    };
    for (const auto& [part, buttons] : commands)
        if (cleared.Has(part))
            for (QPushButton* b : buttons) b->setEnabled(false);
    if (cleared.Has(P::ResultsTable)) {
        results_->ShowGrid();
        unsaved_.passResults = false;  // gone with the table
    }
    if (cleared.Has(P::Composition)) composition_->ShowComposition();
    for (Chart* chart : findChildren<Chart*>()) chart->Refresh();
    UpdateDataCommands();
}

void TForm1::LoadSpectrum(const std::string& path) {
    Chart* chart1 = spectrum_->Chart1;
    try {
        // A file of several spectra asks which one to open; Cancel changes nothing.
        std::optional<int32_t> spectrum;
        std::vector<MzSpectrumRow> rows;
        RunOffThread([&] { rows = SpectraToChooseFrom(path); });
        if (!rows.empty()) {
            spectrum = seam_->ChooseSpectrum(rows, state_.Format);
            if (!spectrum) return;
        }
        OpenSpectrumResult opened;
        // Reading a million points takes a while: the window keeps painting meanwhile.
        RunOffThread([&] { opened = road_.Open(path, spectrum); });
        ApplyClearAll(opened.cleared);
        if (opened.titleRead) chart1->SetTitle(Q(state_.CurveTitle), Qt::blue, 23, false);
        spectrum_->ShowSpectrum();
    } catch (const CommandError& e) {
        ShowMessage(e.what());
        return;
    }
    // The window names the file, shows what was opened, and the dialogs start beside it.
    const QFileInfo file(QString::fromStdString(path));
    setWindowTitle(Q(WindowTitle(file.fileName().toStdString())));
    spectrumFolder_ = file.absolutePath().toStdString() + "/";
    state_.DialogFolder = spectrumFolder_;
    unsaved_ = {};
    for (Chart* chart : findChildren<Chart*>()) chart->SetClickedX(std::nullopt);
    pages_->setCurrentWidget(spectrum_);
    UpdateDataCommands();
    if (state_.HintMode) ShowMessage(LoadHintMessage());
    settings_->Button9->setEnabled(true);
}

void TForm1::PrepareDialog(FileDialogRequest& request) const {
    if (request.folder.empty()) request.folder = state_.DialogFolder;
}

void TForm1::RememberFolderOf(const std::optional<std::string>& path) {
    if (!path) return;
    // A folder typed in the dialog that does not exist (a write that failed) is not kept.
    const QFileInfo file(QString::fromStdString(*path));
    if (file.absoluteDir().exists()) state_.DialogFolder = file.absolutePath().toStdString() + "/";
}

std::optional<std::string> TForm1::AskOpenFile(FileDialogRequest request) {
    PrepareDialog(request);
    auto path = seam_->AskOpenFile(request);
    RememberFolderOf(path);
    return path;
}

std::optional<std::string> TForm1::AskSaveFile(FileDialogRequest request) {
    PrepareDialog(request);
    auto path = seam_->AskSaveFile(request);
    RememberFolderOf(path);
    return path;
}

std::optional<SavedFileChoice> TForm1::AskSaveFileAndFilter(FileDialogRequest request) {
    PrepareDialog(request);
    auto answer = seam_->AskSaveFileAndFilter(request);
    if (answer) RememberFolderOf(answer->path);
    return answer;
}

void TForm1::ReadFromFile(const std::string& folder) {
    const auto path = AskOpenFile({kOpenSpectrumTitle, folder, kOpenSpectrumFilter, std::string()});
    if (path) LoadSpectrum(*path);
}

void TForm1::OpenSpectrumFile(const std::string& path) {
    LoadSpectrum(path);
}

void TForm1::N2Click() {
    ReadFromFile(std::string());
}

void TForm1::N42Click() {
    if (state_.Points.PointCount() == 0) {
        ShowMessage(kNoSpectrumToSaveMessage);
        return;
    }
    const auto path =
        AskSaveFile({kSaveSpectrumTitle, std::string(), kTextFileFilter, kSpectrumFileName});
    if (!path) return;
    try {
        WriteToFile(*path, state_.CurveTitle, state_.Points, state_.Format);
    } catch (const CommandError& e) {
        ShowMessage(e.what());
        return;
    }
    unsaved_.recalculatedSpectrum = false;
}

void TForm1::QuickFolderClick(const std::string& folder) {
    ReadFromFile(folder);
}

void TForm1::RestoreSpectrumClick() {
    if (LastPassRunning()) return;
    ClearedParts cleared;
    try {
        cleared = road_.RestoreSpectrum();
    } catch (const CommandError& e) {
        ShowMessage(e.what());
        return;
    }
    ApplyClearAll(cleared);
    spectrum_->ShowSpectrum();
    unsaved_ = {};
    UpdateDataCommands();
    settings_->Button9->setEnabled(true);
    ShowMessage(kSpectrumRestoredMessage);
}

void TForm1::N44Click() {
    state_.HintMode = !state_.HintMode;
}

void TForm1::N31Click() {
    state_.MarkHints = Action("N31")->isChecked();
    for (TheoryPage* page : {theoryCH_, theoryCF_}) {
        page->Measured->SetMarksVisible(state_.MarkHints);
        page->chart->replot(QCustomPlot::rpQueuedReplot);
    }
}

void TForm1::N14Click() {
    TAboutBox about(this);
    seam_->ExecModal(about);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // Only the pages are watched.
    if (event->type() == QEvent::Resize) ApplyLayoutRule();
    return QMainWindow::eventFilter(watched, event);
}

namespace {

// A list as wide as its widest line (never narrower than designed); the page's widgets to the
// right of it move along. Design positions are kept in the "designX" property of each widget.
void WidenListToContent(QWidget* page, QListWidget* list, int designWidth) {
    const int shift = std::max(0, ContentWidth(list) - designWidth);
    list->resize(designWidth + shift, list->height());
    for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->property("designX").isValid()) w->setProperty("designX", w->x());
        const int designX = w->property("designX").toInt();
        if (designX >= list->x() + designWidth && w->y() >= list->y() - 40)
            w->move(designX + shift, w->y());
    }
}

}  // namespace

void TForm1::ApplyLayoutRule() {
    WidenListToContent(settings_, settings_->ListBox1, 193);
    WidenListToContent(masses_, masses_->ListBox5, 161);
    WidenListToContent(single_, single_->ListBox8, 169);
    WidenListToContent(testing_, testing_->ListBox3, 265);
    testing_->ListBox4->resize(std::max(297, ContentWidth(testing_->ListBox4)),
                               testing_->ListBox4->height());

    const int settingsHeight = settings_->height();
    SetBottomMargin(settings_->ListBox1, settingsHeight, 20);
    QWidget* chart5 = settings_->Chart5;
    chart5->resize(std::max(0, settings_->width() - chart5->x() - 20),
                   std::max(0, settingsHeight - chart5->y() - 20));

    SetBottomMargin(masses_->ListBox5, masses_->height(), 20);
    SetBottomMargin(masses_->GroupBox5, masses_->height(), 20);
    SetBottomMargin(masses_->ListBox2, masses_->GroupBox5->height(), 16);

    SetBottomMargin(single_->ListBox8, single_->height(), 20);
    QWidget* list9 = single_->ListBox9;
    SetBottomMargin(list9, single_->height(), 20);
    // The iterations take the page's width, however wide the window.
    list9->resize(std::max(0, single_->width() - list9->x() - 20), list9->height());

    SetBottomMargin(testing_->ListBox3, testing_->height(), 20);
    SetBottomMargin(testing_->ListBox4, testing_->height(), 20);

    const int third = curve_->width() / 3 - 20;
    curve_->Button6->setGeometry(10, 8, third, 97);
    curve_->Button4->setGeometry(third + 20, 8, third, 97);
    curve_->Button5->setGeometry(2 * third + 30, 8, third, 97);
    // The proposed fit across the page, the chart and beside it the last fit's report.
    const int width = curve_->width(), height = curve_->height();
    constexpr int kReportWidth = 330, kChartTop = 152;
    curve_->ProposedFit->setGeometry(10, 110, std::max(0, width - 20), 40);
    curve_->Chart2->setGeometry(0, kChartTop, std::max(0, width - kReportWidth),
                                std::max(0, height - kChartTop - 3));
    curve_->CurveReport->setGeometry(std::max(0, width - kReportWidth + 4), kChartTop,
                                     kReportWidth - 14, std::max(0, height - kChartTop - 20));
}

void TForm1::RefuseCommands(bool refuse) {
    if (!refuse) {
        for (auto& [object, enabled] : refused_) {
            if (auto* a = qobject_cast<QAction*>(object))
                a->setEnabled(enabled);
            else
                static_cast<QWidget*>(object)->setEnabled(enabled);
        }
        refused_.clear();
        refusing_ = false;
        UpdateDataCommands();  // the work may have brought data or taken it
        return;
    }
    refused_.clear();
    refusing_ = true;
    auto refuse1 = [this](QObject* object, bool enabled) {
        refused_.emplace_back(object, enabled);
        if (auto* a = qobject_cast<QAction*>(object))
            a->setEnabled(false);
        else
            static_cast<QWidget*>(object)->setEnabled(false);
    };
    // The lists that only show what the work reports stay as they are.
    const QStringList shown = {"ListBox3", "ListBox4", "ListBox7", "ListBox9"};
    for (QWidget* w : pages_->findChildren<QWidget*>()) {
        const bool command = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QComboBox*>(w) ||
                             (qobject_cast<QListWidget*>(w) && !shown.contains(w->objectName()));
        if (command) refuse1(w, w->isEnabled());
    }
    // The file commands and the pages' pop-up commands; the view, the help and "Выход" answer.
    QList<QAction*> actions =
        menuBar()->findChild<QMenu*>(QStringLiteral("N1"))->findChildren<QAction*>();
    actions += pages_->findChildren<QAction*>();
    for (QAction* a : actions)
        if (a->objectName() != QStringLiteral("N3") && !a->isSeparator() && !a->menu())
            refuse1(a, a->isEnabled());
}

TForm1::BusyScope::BusyScope(TForm1& form) : form_(form) {
    if (form_.busyDepth_++ > 0) return;
    form_.RefuseCommands(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    form_.form5_->Start(-1);
}

TForm1::BusyScope::~BusyScope() {
    if (--form_.busyDepth_ > 0) return;
    form_.form5_->Finish();
    QApplication::restoreOverrideCursor();
    form_.RefuseCommands(false);
}

void TForm1::RunOffThread(const std::function<void()>& work) {
    BusyScope busy(*this);
    std::exception_ptr failure;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();  // also when the program is ending and the loop was left early
    if (failure) std::rethrow_exception(failure);
}

void TForm1::StartLastPass() {
    startTick_ = TickCount();
    form5_->Start(PeakCountOfSlope(state_.Stages.Slope));
    RefuseCommands(true);
    MyThread::Reports reports;
    reports.reportPeak = [this](int32_t k, const CurrentPeak& cur) { ReportPeak(k, cur); };
    reports.problemLines = [this](const std::vector<std::string>& lines) {
        if (AppendLines(testing_->ListBox3, lines)) ApplyLayoutRule();
    };
    reports.hideProgress = [this] { form5_->Finish(); };
    PassOptions options;
    options.refine = settings_->CheckBoxRefine->isChecked();
    worker_ = std::make_unique<MyThread>(road_.PassInputNow(), options, state_.ComposeChoice,
                                         state_.FirstPeakHeight, this, std::move(reports));
    // Attached before the start, so that it runs for every pass, also one without peaks.
    connect(
        worker_.get(), &QThread::finished, this, [this] { Obrab5(); }, Qt::QueuedConnection);
    worker_->start(QThread::LowestPriority);
}

void TForm1::ReportPeak(int32_t peakIndex, const CurrentPeak& cur) {
    form5_->Step();
    if (AppendLines(testing_->ListBox4, PeakReportLines(peakIndex + 1, cur, state_.Format)))
        ApplyLayoutRule();
}

void TForm1::Obrab5() {
    if (!worker_) return;
    worker_->wait();
    PassOutcome outcome = std::move(worker_->Outcome());
    const CurvePoints curves = std::move(worker_->Curves());
    worker_.reset();
    form5_->Finish();
    RefuseCommands(false);

    const PassCounters counters = outcome.counters;
    const std::string failure = outcome.failure;
    testing_->ShowCounters(counters.peakNumber, counters.problemCount,
                           ElapsedTicks(startTick_, TickCount()));
    try {
        road_.AcceptPass(std::move(outcome));
    } catch (const CommandError& e) {
        ShowMessage(e.what());
        return;
    }
    spectrum_->DrawFittedCurves(curves);
    if (state_.PeaksRefined) testing_->ShowRefinement();
    results_->ShowGrid();
    results_->AutoSizeGridColumns();
    composition_->ShowComposition();
    masses_->FillListMass();
    masses_->ReFill();
    theoryCH_->ShowSeries();
    theoryCF_->ShowSeries();
    ApplyLayoutRule();  // the lists just filled may need more room

    testing_->MarkDoubtfulPeaks();
    unsaved_.passResults = !state_.Peaks.empty();
    UpdateDataCommands();

    if (!failure.empty()) ShowMessage(failure);
    if (state_.HintMode) ShowMessage(LastPassDoneMessage());
    // "Сохранить" of "Отдельный пик" waits until a peak of this pass has been processed.
    for (QPushButton* b :
         {masses_->Button1, masses_->Button2, masses_->Button3, masses_->Button8, masses_->Button14,
          masses_->Button15, masses_->AutoPair, single_->Button16})
        b->setEnabled(true);
}

}  // namespace ostrel
