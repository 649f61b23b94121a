#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/about_box.h"
#include "app/my_thread.h"
#include "app/progress_window.h"
#include "fitting/matrix_self_test.h"
#include "formats/mz_file.h"
#include "processing/preliminary.h"
#include "processing/stage_builders.h"
#include "results/results_assembly.h"
#include "state/clear_all.h"
#include "state/errors.h"
#include "state/messages.h"
#include "state/points_file.h"
#include "state/quick_folders.h"

namespace ostrel {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

constexpr const char* kGreenLabel = "color: green; font-weight: bold; font-size: 16px;";
constexpr const char* kListStyle = "font-weight: bold; font-size: 16px;";

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y,
                  const char* style = kGreenLabel) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setStyleSheet(style);
    label->adjustSize();
    label->move(x, y);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect rect,
                        bool red, int pixelSize = 19, const QString& tooltip = {}) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(rect);
    button->setStyleSheet(
        QStringLiteral("QPushButton { font-size: %1px; }%2")
            .arg(pixelSize)
            .arg(red ? QStringLiteral(" QPushButton:enabled { color: red; }") : QString()));
    if (!tooltip.isEmpty()) button->setToolTip(tooltip);
    return button;
}

QListWidget* MakeList(QWidget* parent, const char* name, QRect rect) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setGeometry(rect);
    list->setStyleSheet(kListStyle);
    return list;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect rect) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(rect);
    edit->setStyleSheet(QStringLiteral("font-size: 19px;"));
    return edit;
}

// Fills the page with one widget.
void Fill(QWidget* page, QWidget* content) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
}

void SetBottomMargin(QWidget* w, int containerHeight, int margin) {
    w->resize(w->width(), std::max(0, containerHeight - w->y() - margin));
}

}  // namespace

TForm1::TForm1(std::unique_ptr<UiSeam> seam, QString programFolder, QWidget* parent)
    : QMainWindow(parent),
      seam_(seam ? std::move(seam) : std::make_unique<QtUiSeam>(this)),
      programFolder_(std::move(programFolder)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Ostrel"));
    resize(1288, 1004);
    QFont font = this->font();
    font.setPixelSize(10);
    setFont(font);
    BuildPages();
    BuildMenus();
    form5_ = new TForm5(this);
    FormCreate();
}

TForm1::~TForm1() {
    // A pass still running reports to this window: serve its calls until it has ended.
    if (worker_) {
        QObject::disconnect(worker_.get(), nullptr, this, nullptr);  // no results assembly now
        while (!worker_->wait(10)) QCoreApplication::processEvents();
    }
}

ChartSeries* TForm1::Series(const QString& name) const {
    auto it = series_.find(name);
    return it == series_.end() ? nullptr : it->second;
}

Chart* TForm1::ChartNamed(const QString& name) const {
    auto it = charts_.find(name);
    return it == charts_.end() ? nullptr : it->second;
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
    const char* names[9] = {"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4", "TabSheet5",
                            "TabSheet6", "TabSheet7", "TabSheet8", "TabSheet9"};
    const char* captions[9] = {
        "Спектр",    "Информация", "Настройка",     "Калибровочные массы", "Калибровочная кривая",
        "Теория CH", "Теория CF",  "Отдельный пик", "Тестирование"};
    QWidget* pages[9];
    for (int i = 0; i < 9; ++i) {
        pages[i] = new QWidget;
        pages[i]->setObjectName(names[i]);
        pages[i]->installEventFilter(this);
        pages_->addTab(pages[i], QString::fromUtf8(captions[i]));
        pageByName_[names[i]] = pages[i];
    }
    BuildSpectrumPage(pages[0]);
    BuildGridPage(pages[1]);
    BuildSettingsPage(pages[2]);
    BuildCalibrationMassesPage(pages[3]);
    BuildCalibrationCurvePage(pages[4]);
    BuildTheoryPage(pages[5], "Chart3", "Series9", "Series10", true);
    BuildTheoryPage(pages[6], "Chart4", "Series12", "Series13", false);
    BuildSinglePeakPage(pages[7]);
    BuildTestingPage(pages[8]);
}

void TForm1::BuildSpectrumPage(QWidget* page) {
    auto* chart = new Chart(page);
    chart->setObjectName(QStringLiteral("Chart1"));
    chart->SetTitle(QStringLiteral("Спектр"), Qt::blue, 23, false);
    chart->SetZoomAndPan(true);
    Fill(page, chart);
    charts_["Chart1"] = chart;
    using S = QCPScatterStyle;
    const QColor none;
    series_["Series1"] = chart->AddSeries("Series1", {Qt::black, S::ssCircle, 2, Qt::blue, none});
    series_["Series2"] =
        chart->AddSeries("Series2", {Qt::darkGreen, S::ssCircle, 3, Qt::darkGreen, Qt::darkGreen});
    series_["Series3"] =
        chart->AddSeries("Series3", {Qt::yellow, S::ssDiamond, 3, Qt::yellow, none});
    series_["Series4"] = chart->AddSeries("Series4", {Qt::blue, S::ssSquare, 2, Qt::blue, none});
    series_["Series5"] = chart->AddSeries("Series5", {Qt::white, S::ssSquare, 2, Qt::gray, none});
    series_["Series6"] =
        chart->AddSeries("Series6", {Qt::red, S::ssSquare, 1, Qt::black, Qt::black});
    series_["Series16"] = chart->AddSeries("Series16", {Qt::red, S::ssCircle, 3, Qt::red, none});
}

void TForm1::BuildGridPage(QWidget* page) {
    grid_ = new QTableWidget(page);
    grid_->setObjectName(QStringLiteral("StringGrid1"));
    grid_->setColumnCount(ResultsGrid::kColumnCount);
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid_->setShowGrid(true);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    QFont bold = grid_->font();
    bold.setBold(true);
    grid_->setFont(bold);
    Fill(page, grid_);

    auto* popup = new QMenu(grid_);
    popup->setObjectName(QStringLiteral("PopupMenu1"));
    popup->addAction(QStringLiteral("Копировать в Excel"))->setObjectName(QStringLiteral("N4"));
    popup->addAction(QStringLiteral("Копировать в TXT-файл"))
        ->setObjectName(QStringLiteral("TXT2"));
    grid_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_, &QWidget::customContextMenuRequested, popup,
            [this, popup](const QPoint& at) { popup->popup(grid_->viewport()->mapToGlobal(at)); });
}

void TForm1::BuildSettingsPage(QWidget* page) {
    MakeLabel(page, "Label7", "Высоты зон пиков", 24, 16);
    MakeList(page, "ListBox1", {24, 40, 193, 873});
    MakeLabel(page, "Label5", "KolUsred", 312, 32);
    MakeEdit(page, "Edit2", {408, 32, 113, 32});
    MakeLabel(page, "Label6", "KrivoMn", 312, 66);
    MakeEdit(page, "Edit3", {408, 66, 113, 32});
    MakeButton(page, "Button9", "Предварительная", {552, 32, 225, 65}, true, 19,
               "Предварительная обработка");
    MakeButton(page, "Button13", "Последняя", {552, 120, 225, 65}, true, 19,
               "Предпоследняя обработка");
    MakeButton(page, "BitBtn1", ">>", {232, 128, 57, 57}, false);
    MakeLabel(page, "Label9", "Первый не помеховый пик", 304, 128);
    MakeEdit(page, "Edit4", {304, 152, 233, 32});
    auto* chart = new Chart(page);
    chart->setObjectName(QStringLiteral("Chart5"));
    chart->setGeometry(232, 200, 929, 713);
    chart->SetZoomAndPan(false);
    charts_["Chart5"] = chart;
    using S = QCPScatterStyle;
    series_["Series14"] = chart->AddSeries("Series14", {Qt::red, S::ssCircle, 2, Qt::red, {}});
    series_["Series15"] = chart->AddSeries("Series15", {Qt::white, S::ssCircle, 2, Qt::gray, {}});
    chart->SetOverlay([this](QPainter& painter) { Series15AfterDrawValues(painter); });

    connect(findChild<QPushButton*>("Button9"), &QPushButton::clicked, this,
            [this] { Button9Click(); });
    connect(findChild<QPushButton*>("BitBtn1"), &QPushButton::clicked, this,
            [this] { BitBtn1Click(); });
    connect(findChild<QListWidget*>("ListBox1"), &QListWidget::itemClicked, this,
            [this] { ListBox1Click(); });
    connect(findChild<QPushButton*>("Button13"), &QPushButton::clicked, this,
            [this] { Button13Click(); });
}

void TForm1::BuildCalibrationMassesPage(QWidget* page) {
    MakeLabel(page, "Label13", "Все массы", 16, 16);
    MakeList(page, "ListBox5", {16, 40, 161, 617});
    MakeButton(page, "Button1", ">>", {184, 40, 41, 41}, true);
    MakeButton(page, "Button3", "<<", {184, 96, 41, 41}, false);
    MakeLabel(page, "Label12", "Калибровочные массы", 232, 16);
    MakeList(page, "ListBox6", {232, 40, 305, 313});
    MakeButton(page, "Button15", "Создать кривую", {232, 360, 305, 65}, true, 19,
               "Создать калибровочную кривую");
    MakeButton(page, "Button14", "Очистить список", {232, 432, 305, 65}, false, 19,
               "Если Вы ошиблись в выборе масс, то нажмите, чтобы очистить список "
               "\"Калибровочные массы\"");
    MakeList(page, "ListBox7", {232, 520, 249, 145})->hide();

    auto* manual = new QGroupBox(QStringLiteral("Ввод вручную"), page);
    manual->setObjectName(QStringLiteral("GroupBox4"));
    manual->setStyleSheet(QStringLiteral("QGroupBox { %1 }").arg(QString::fromUtf8(kGreenLabel)));
    manual->setGeometry(552, 8, 345, 97);
    MakeButton(manual, "Button2", "<<", {16, 40, 41, 41}, true);
    MakeEdit(manual, "Edit1", {64, 40, 265, 32});

    auto* standard = new QGroupBox(QStringLiteral("Стандартные массы"), page);
    standard->setObjectName(QStringLiteral("GroupBox5"));
    standard->setStyleSheet(QStringLiteral("QGroupBox { %1 }").arg(QString::fromUtf8(kGreenLabel)));
    standard->setGeometry(552, 112, 345, 577);
    auto* ch = new QRadioButton(QStringLiteral("CH"), standard);
    ch->setObjectName(QStringLiteral("RadioButton1"));
    ch->move(16, 32);
    ch->setChecked(true);
    auto* cf = new QRadioButton(QStringLiteral("CF"), standard);
    cf->setObjectName(QStringLiteral("RadioButton2"));
    cf->move(16, 64);
    const char* boxes[5] = {"молекулярные", "с одним отщеплённым", "с двумя отщеплёнными",
                            "полный список", "все существующие"};
    for (int i = 0; i < 5; ++i) {
        auto* box = new QCheckBox(QString::fromUtf8(boxes[i]), standard);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
        box->move(88, 32 + 32 * i);
        box->setChecked(i == 0);
    }
    MakeButton(standard, "Button8", "<<", {16, 168, 41, 41}, true);
    MakeList(standard, "ListBox2", {16, 216, 313, 345});
}

void TForm1::BuildCalibrationCurvePage(QWidget* page) {
    MakeButton(page, "Button6", "Подобрать линию", {10, 8, 200, 97}, false);
    MakeButton(page, "Button4", "Подобрать параболу", {220, 8, 200, 97}, false);
    MakeButton(page, "Button5", "Пересчитать данные", {430, 8, 200, 97}, false);
    auto* chart = new Chart(page);
    chart->setObjectName(QStringLiteral("Chart2"));
    chart->setGeometry(0, 112, 600, 400);
    chart->SetTitle(QStringLiteral("Калибровочная кривая"), Qt::blue, 16, true);
    chart->SetFootText(QStringLiteral("М изм"), Qt::darkGreen, 16);
    chart->SetLeftAxisTitle(QStringLiteral("delta M, mmu"), Qt::darkGreen, 16);
    charts_["Chart2"] = chart;
    using S = QCPScatterStyle;
    series_["Series7"] = chart->AddSeries("Series7", {Qt::red, S::ssCircle, 2, Qt::blue, Qt::blue});
    series_["Series8"] = chart->AddSeries("Series8", {Qt::darkGreen, S::ssNone, 0, {}, {}});
}

void TForm1::BuildTheoryPage(QWidget* page, const QString& chartName, const QString& theory,
                             const QString& measured, bool purpleMarkers) {
    auto* chart = new Chart(page);
    chart->setObjectName(chartName);
    chart->SetZoomAndPan(true);
    Fill(page, chart);
    charts_[chartName] = chart;
    using S = QCPScatterStyle;
    const QColor navy(0, 0, 128), purple(128, 0, 128);
    series_[theory] = chart->AddSeries(
        theory,
        {Qt::red, S::ssCircle, 2, purpleMarkers ? navy : Qt::red, purpleMarkers ? navy : QColor()});
    series_[measured] = chart->AddSeries(
        measured, {Qt::darkGreen, S::ssCircle, 2, purpleMarkers ? purple : Qt::darkGreen,
                   purpleMarkers ? purple : QColor()});
    if (purpleMarkers) chart->setCursor(Qt::PointingHandCursor);
}

void TForm1::BuildSinglePeakPage(QWidget* page) {
    MakeButton(page, "Button16", "Обработать", {24, 16, 240, 49}, true);
    MakeButton(page, "Button17", "Сохранить", {280, 16, 240, 49}, false, 19, "Сохранить пик");
    MakeLabel(page, "Label14", "Все массы", 24, 80);
    MakeList(page, "ListBox8", {24, 104, 169, 793});
    MakeLabel(page, "Label15", "Параметры для каждой итерации", 208, 80);
    MakeList(page, "ListBox9", {208, 104, 441, 793});
    connect(findChild<QListWidget*>("ListBox8"), &QListWidget::itemClicked, this,
            [this] { ListBox8Click(); });
    connect(findChild<QPushButton*>("Button16"), &QPushButton::clicked, this,
            [this] { Button16Click(); });
    connect(findChild<QPushButton*>("Button17"), &QPushButton::clicked, this,
            [this] { Button17Click(); });
}

void TForm1::BuildTestingPage(QWidget* page) {
    const char* value = "color: red; font-size: 19px;";
    MakeLabel(page, "Label10", "Всего пиков =", 16, 8);
    MakeLabel(page, "Label11", "-", 260, 4, value);
    MakeLabel(page, "Label3", "Проблемных пиков =", 16, 32);
    MakeLabel(page, "Label4", "-", 260, 28, value);
    MakeLabel(page, "Label1", "Время вычислений (мс) =", 16, 56);
    MakeLabel(page, "Label2", "-", 260, 52, value);
    MakeLabel(page, "Label8", "Проблемные пики", 16, 82);
    MakeList(page, "ListBox3", {16, 104, 265, 665});
    MakeLabel(page, "Label16", "Массив пиков", 296, 82);
    MakeList(page, "ListBox4", {296, 104, 297, 663});
    auto* op44 = MakeButton(page, "Button7", "Op44", {620, 16, 100, 30}, false, 12);
    auto* dop = MakeButton(page, "Button10", "Dopolnenie", {620, 56, 100, 30}, false, 12);
    op44->hide();
    dop->hide();
    connect(op44, &QPushButton::clicked, this, [this] { ShowMessage(Test1(state_.Format)); });
    connect(dop, &QPushButton::clicked, this, [this] { ShowMessage(Test2(state_.Format)); });
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
        ChartNamed("Chart1")->replot(QCustomPlot::rpQueuedReplot);
    });
}

void TForm1::BuildViewMenu(QMenu* menu) {
    QAction* log = menu->addAction(QStringLiteral("Логарифм. шкала"));
    log->setObjectName(QStringLiteral("N11"));
    log->setCheckable(true);
    log->setShortcut(QKeySequence(QStringLiteral("Ctrl+L")));
    connect(log, &QAction::triggered, this, [this] {
        Chart* chart = ChartNamed("Chart1");
        chart->SetLogarithmic(!chart->IsLogarithmic());
        chart->Redraw();
    });
    menu->addSeparator();
    AddSwitch(menu, "Series11", "Спектр", true, "Series1", false);
    AddSwitch(menu, "Points11", "Спектр (точки)", true, "Series1", true);
    menu->addSeparator();
    AddSwitch(menu, "Series61", "Обработанное", true, "Series6", false);
    AddSwitch(menu, "Points61", "Обработанное (точки)", true, "Series6", true);
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
    // Captions and folders are set once the computer's name is known.
    for (const char* name :
         {"QuickFolder1", "QuickFolder2", "QuickFolder3", "QuickFolder4", "CTemp1"}) {
        if (std::string(name) == "QuickFolder4") folders->addSeparator();
        item(folders, name, QString());
    }
    file->addSeparator();
    connect(item(file, "N42", "Сохранить...", "Ctrl+S"), &QAction::triggered, this,
            [this] { N42Click(); });
    QMenu* info = submenu(file, "N36", "Информация");
    item(info, "HTML1", "HTML");
    item(info, "HTML2", "HTML (усовершен.)");
    QMenu* graph = submenu(file, "N30", "График");
    item(graph, "BMP1", "BMP");
    item(graph, "N35", "Печать...");
    item(submenu(file, "N41", "Калибровочная кривая"), "BMP3", "BMP");
    file->addSeparator();
    QMenu* ch = submenu(file, "CH1", "Теория CH");
    item(ch, "BMP2", "BMP");
    item(ch, "TXT1", "TXT");
    item(submenu(file, "CF1", "Теория CF"), "BMP4", "BMP");
    QMenu* chList = submenu(file, "CH2", "Список CH");
    item(chList, "XLS1", "TXT (для Excel)");
    item(chList, "HTML3", "HTML");
    file->addSeparator();
    connect(item(file, "N3", "Выход", "Ctrl+Q"), &QAction::triggered, this, [this] { close(); });

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
    Series("Series10")->SetMarksVisible(true);
    Series("Series13")->SetMarksVisible(true);
    state_.HintMode = true;
    state_.KolUsred = kDefaultKolUsred;
    state_.KrivoMn = kDefaultKrivoMn;
    findChild<QLineEdit*>("Edit2")->setText(Q(KolUsredText(state_)));
    findChild<QLineEdit*>("Edit3")->setText(Q(KrivoMnText(state_)));
    WriteGridHeaders(state_.Grid);
    ShowGrid();
    pages_->setCurrentIndex(0);
    findChild<QListWidget*>("ListBox1")->setToolTip(Q(ZoneListTooltip()).replace('\r', '\n'));
    state_.ComputerName = ComputerNameFrom(QHostInfo::localHostName().toStdString());
    state_.OnHost1 = state_.ComputerName == ConfiguredHosts().host1;
    state_.OnHost2 = state_.ComputerName == ConfiguredHosts().host2;
    for (const QuickFolder& q : QuickFolders(state_.OnHost1, state_.OnHost2)) {
        QAction* a = Action(Q(q.item));
        a->setText(Q(q.caption));
        connect(a, &QAction::triggered, this, [this, folder = q.folder] {
            QuickFolderClick(LocalPathOf(folder, QDir::homePath().toStdString(),
                                         QDir::tempPath().toStdString()));
        });
    }
    ApplyLayoutRule();
    for (const char* name :
         {"Button6", "Button4", "Button5", "Button9", "Button13", "BitBtn1", "Button16", "Button17",
          "Button1", "Button2", "Button3", "Button8", "Button14", "Button15"})
        findChild<QPushButton*>(name)->setEnabled(false);
}

void TForm1::ShowGrid() {
    const ResultsGrid& g = state_.Grid;
    QStringList headers;
    for (int32_t c = 0; c < g.ColCount(); ++c) headers << Q(g.Cell(c, 0));
    grid_->setHorizontalHeaderLabels(headers);
    grid_->setRowCount(std::max(0, g.RowCount() - 1));
    for (int32_t r = 1; r < g.RowCount(); ++r)
        for (int32_t c = 0; c < g.ColCount(); ++c) {
            auto* cell = grid_->item(r - 1, c);
            if (!cell) {
                cell = new QTableWidgetItem;
                grid_->setItem(r - 1, c, cell);
            }
            cell->setText(Q(g.Cell(c, r)));
        }
}

void TForm1::ApplyClearAll(const ClearAllEffects& effects) {
    for (const std::string& name : effects.seriesToClear) Series(Q(name))->Clear();
    for (const std::string& name : effects.listsToClear) findChild<QListWidget*>(Q(name))->clear();
    findChild<QLineEdit*>("Edit1")->setText(Q(effects.edit1Text));
    findChild<QLineEdit*>("Edit2")->setText(Q(effects.edit2Text));
    findChild<QLineEdit*>("Edit3")->setText(Q(effects.edit3Text));
    findChild<QLabel*>("Label2")->setText(Q(effects.label2Caption));
    findChild<QLabel*>("Label4")->setText(Q(effects.label4Caption));
    for (const std::string& name : effects.buttonsToDisable)
        findChild<QPushButton*>(Q(name))->setEnabled(false);
    ShowGrid();
    for (auto& [name, chart] : charts_) chart->replot(QCustomPlot::rpQueuedReplot);
}

void TForm1::LoadSpectrum(const std::string& path) {
    Chart* chart1 = ChartNamed("Chart1");
    chart1->setCursor(Qt::WaitCursor);
    try {
        // A file of several spectra asks which one to open; Cancel changes nothing.
        std::optional<int32_t> spectrum;
        const std::vector<MzSpectrumRow> rows = SpectraToChooseFrom(path);
        if (!rows.empty()) {
            chart1->unsetCursor();
            spectrum = seam_->ChooseSpectrum(rows, state_.Format);
            if (!spectrum) return;
            chart1->setCursor(Qt::WaitCursor);
        }
        const OpenSpectrumResult opened = OpenSpectrum(state_, path, spectrum);
        ApplyClearAll(opened.cleared);
        if (opened.titleRead) chart1->SetTitle(Q(state_.CurveTitle), Qt::blue, 23, false);
        ChartSeries* s1 = Series("Series1");
        s1->SetMarkersVisible(Action("Points11")->isChecked());
        s1->SetVisible(false);
        s1->SetPoints(state_.Points.PointX, state_.Points.PointY);
        s1->SetVisible(true);
        chart1->Redraw();
    } catch (const CommandError& e) {
        chart1->unsetCursor();
        ShowMessage(e.what());
        return;
    }
    chart1->unsetCursor();
    if (state_.HintMode) ShowMessage(LoadHintMessage());
    findChild<QPushButton*>("Button9")->setEnabled(true);
}

void TForm1::ReadFromFile() {
    const auto path = seam_->AskOpenFile(
        {kOpenSpectrumTitle, state_.DialogFolder, kOpenSpectrumFilter, std::string()});
    if (path) LoadSpectrum(*path);
}

void TForm1::OpenSpectrumFile(const std::string& path) {
    state_.DialogFolder = programFolder_.toStdString();
    LoadSpectrum(path);
}

void TForm1::N2Click() {
    state_.DialogFolder = programFolder_.toStdString();
    ReadFromFile();
}

void TForm1::N42Click() {
    state_.DialogFolder = programFolder_.toStdString();
    const auto path = seam_->AskSaveFile(
        {kSaveSpectrumTitle, state_.DialogFolder, kTextFileFilter, kSpectrumFileName});
    if (!path) return;
    try {
        WriteToFile(*path, state_.CurveTitle, state_.Points, state_.Format);
    } catch (const CommandError& e) {
        ShowMessage(e.what());
    }
}

void TForm1::QuickFolderClick(const std::string& folder) {
    state_.DialogFolder = folder;
    ReadFromFile();
}

void TForm1::N44Click() {
    state_.HintMode = !state_.HintMode;
}

void TForm1::N31Click() {
    state_.MarkHints = Action("N31")->isChecked();
    Series("Series10")->SetMarksVisible(state_.MarkHints);
    Series("Series13")->SetMarksVisible(state_.MarkHints);
}

void TForm1::N14Click() {
    TAboutBox about(this);
    about.exec();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && pageByName_.count(watched->objectName()))
        ApplyLayoutRule();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::ApplyLayoutRule() {
    auto w = [this](const char* name) { return findChild<QWidget*>(name); };
    QWidget* settings = pageByName_["TabSheet3"];
    SetBottomMargin(w("ListBox1"), settings->height(), 20);
    QWidget* chart5 = w("Chart5");
    chart5->resize(std::max(0, settings->width() - chart5->x() - 20),
                   std::max(0, settings->height() - chart5->y() - 20));

    QWidget* masses = pageByName_["TabSheet4"];
    SetBottomMargin(w("ListBox5"), masses->height(), 20);
    QWidget* group5 = w("GroupBox5");
    SetBottomMargin(group5, masses->height(), 20);
    SetBottomMargin(w("ListBox2"), group5->height(), 16);

    QWidget* single = pageByName_["TabSheet8"];
    SetBottomMargin(w("ListBox8"), single->height(), 20);
    QWidget* list9 = w("ListBox9");
    SetBottomMargin(list9, single->height(), 20);
    if (single->width() < 669) list9->resize(single->width() - list9->x() - 20, list9->height());

    QWidget* testing = pageByName_["TabSheet9"];
    SetBottomMargin(w("ListBox3"), testing->height(), 20);
    SetBottomMargin(w("ListBox4"), testing->height(), 20);

    QWidget* curve = pageByName_["TabSheet5"];
    const int third = curve->width() / 3 - 20;
    w("Button6")->setGeometry(10, 8, third, 97);
    w("Button4")->setGeometry(third + 20, 8, third, 97);
    w("Button5")->setGeometry(2 * third + 30, 8, third, 97);
    QWidget* chart2 = w("Chart2");
    chart2->setGeometry(0, chart2->y(), curve->width(),
                        std::max(0, curve->height() - chart2->y() - 3));
}

void TForm1::DrawStage(const char* series, const PointList& list, const char* lineToggle,
                       const char* pointsToggle) {
    ChartSeries* s = Series(series);
    s->SetMarkersVisible(Action(pointsToggle)->isChecked());
    s->SetVisible(Action(lineToggle)->isChecked());
    s->AppendPoints(list.X, list.Y, 0, list.Count() - 1);
}

void TForm1::Obrab1() {
    BuildStage1(state_);
    DrawStage("Series2", state_.Stages.Stage1, "Series21", "Points21");
}

void TForm1::Obrab2() {
    BuildStage2(state_);
    DrawStage("Series3", state_.Stages.Stage2, "Series31", "Points31");
}

void TForm1::Obrab3() {
    BuildStage3(state_);
    DrawStage("Series4", state_.Stages.Stage3, "Series41", "Points41");
}

void TForm1::Obrab4() {
    BuildStage4(state_);
    DrawStage("Series5", state_.Stages.Stage4, "Series51", "Points51");
}

void TForm1::ObrabNaklon() {
    BuildSlope(state_);
    DrawStage("Series16", state_.Stages.Slope, "N29", "N43");
}

void TForm1::OtsortVysota() {
    ostrel::OtsortVysota(state_.Stages.Zones);
    auto* list = findChild<QListWidget*>("ListBox1");
    list->clear();
    QStringList lines;
    for (const std::string& line : ZoneListLines(state_.Stages.Zones, state_.Format))
        lines << Q(line);
    list->addItems(lines);
}

void TForm1::Button9Click() {
    auto* button9 = findChild<QPushButton*>("Button9");
    button9->setEnabled(false);
    try {
        AcceptPreliminarySettings(state_, findChild<QLineEdit*>("Edit2")->text().toStdString(),
                                  findChild<QLineEdit*>("Edit3")->text().toStdString());
    } catch (const CommandError& e) {
        // Nothing was cleared yet: the user corrects the field and presses again.
        button9->setEnabled(true);
        ShowMessage(e.what());
        return;
    }
    ApplyClearAll(ClearAll(state_, kClearForPreliminary));
    try {
        Obrab1();
        Obrab2();
        Obrab3();
        Obrab4();
        ObrabNaklon();
        OtsortVysota();
    } catch (const CommandError& e) {
        ChartNamed("Chart1")->Redraw();
        ShowMessage(e.what());
        return;
    }
    ChartNamed("Chart1")->Redraw();
    ShowMessage(PreliminaryDoneMessage(state_.HintMode));
    findChild<QPushButton*>("Button13")->setEnabled(true);
    findChild<QPushButton*>("BitBtn1")->setEnabled(true);
}

void TForm1::ListBox1Click() {
    auto* list = findChild<QListWidget*>("ListBox1");
    if (list->currentRow() < 0) return;
    Series("Series14")->Clear();
    Series("Series15")->Clear();
    selectedZone_ = list->currentRow();
    NextVysota();
}

void TForm1::NextVysota() {
    findChild<QListWidget*>("ListBox1")->setCurrentRow(selectedZone_);
    ZoneView view;
    try {
        view = ComputeZoneView(state_, selectedZone_);
    } catch (const CommandError& e) {
        ShowMessage(e.what());
        return;
    }
    state_.FirstPeakHeight = view.height;
    Series("Series14")
        ->AppendPoints(state_.Points.PointX, state_.Points.PointY, view.firstPoint, view.lastPoint);
    markerIndex_ = view.markerIndex;
    Series("Series15")
        ->AppendPoints(state_.Stages.Stage4.X, state_.Stages.Stage4.Y, view.firstStage4,
                       view.lastStage4);
    ChartNamed("Chart5")->Redraw();
}

void TForm1::Series15AfterDrawValues(QPainter& painter) {
    ChartSeries* s14 = Series("Series14");
    if (markerIndex_ < 0 || markerIndex_ >= s14->Count()) return;
    Chart* chart = ChartNamed("Chart5");
    const double x = chart->xAxis->coordToPixel(s14->X(markerIndex_));
    const double y = chart->yAxis->coordToPixel(s14->Y(markerIndex_));
    painter.setPen(Qt::black);
    painter.setBrush(Qt::black);
    const QPointF triangle[3] = {{x, y - 10}, {x + 7, y - 30}, {x - 7, y - 30}};
    painter.drawPolygon(triangle, 3);
}

void TForm1::BitBtn1Click() {
    auto* list = findChild<QListWidget*>("ListBox1");
    QListWidgetItem* item = list->currentItem();
    if (!item || !item->isSelected()) return;
    try {
        findChild<QLineEdit*>("Edit4")->setText(
            Q(HeightFromZoneLine(item->text().toStdString(), state_.Format)));
    } catch (const CommandError& e) {
        ShowMessage(e.what());
    }
}

void TForm1::RefuseCommandsDuringPass(bool refuse) {
    if (refuse) {
        refused_.clear();
        for (const char* name :
             {"N2", "N42", "QuickFolder1", "QuickFolder2", "QuickFolder3", "QuickFolder4", "CTemp1",
              "HTML1", "HTML2", "TXT1", "XLS1", "TXT2"}) {
            QAction* a = Action(name);
            refused_.emplace_back(a, a->isEnabled());
            a->setEnabled(false);
        }
        for (const char* name :
             {"Button9", "Button13", "Button16", "Button17", "Button1", "Button2", "Button3",
              "Button8", "Button14", "Button15", "Button6", "Button4", "Button5", "ListBox8"}) {
            QWidget* w = findChild<QWidget*>(name);
            refused_.emplace_back(w, w->isEnabled());
            w->setEnabled(false);
        }
        return;
    }
    for (auto& [object, enabled] : refused_) {
        if (auto* a = qobject_cast<QAction*>(object))
            a->setEnabled(enabled);
        else
            static_cast<QWidget*>(object)->setEnabled(enabled);
    }
    refused_.clear();
}

void TForm1::Button13Click() {
    if (worker_) return;
    const std::string text = findChild<QLineEdit*>("Edit4")->text().toStdString();
    if (!IsDigitsOnly(text)) {
        ShowMessage(kInvalidHeightMessage);
        return;
    }
    auto* button13 = findChild<QPushButton*>("Button13");
    button13->setEnabled(false);
    try {
        state_.FirstPeakHeight = ParseFirstPeakHeight(text);
    } catch (const CommandError& e) {
        button13->setEnabled(true);  // another height can be tried at once
        ShowMessage(e.what());
        return;
    }
    ApplyClearAll(ClearAll(state_, kClearForLastPass));
    try {
        ObrabNaklon();
    } catch (const CommandError&) {
        button13->setEnabled(true);
        ShowMessage("Высота " + text +
                    " больше высоты любой зоны: не осталось ни одного пика. Выберите меньшую "
                    "высоту.");
        return;
    }
    ChartNamed("Chart1")->Redraw();
    startTick_ = TickCount();
    StartLastPass();
}

void TForm1::StartLastPass() {
    form5_->Start(PeakCountOfSlope(state_.Stages.Slope));
    RefuseCommandsDuringPass(true);
    MyThread::Reports reports;
    reports.reportPeak = [this](int32_t k, const CurrentPeak& cur) { ReportPeak(k, cur); };
    reports.problemLines = [this](const std::vector<std::string>& lines) {
        auto* list = findChild<QListWidget*>("ListBox3");
        for (const std::string& line : lines) list->addItem(Q(line));
    };
    reports.hideProgress = [this] { form5_->Finish(); };
    worker_ = std::make_unique<MyThread>(state_.Points, state_.Stages.Stage1, state_.Stages.Slope,
                                         state_.Format, this, std::move(reports));
    // Attached before the start, so that it runs for every pass, also one without peaks.
    connect(
        worker_.get(), &QThread::finished, this, [this] { Obrab5(); }, Qt::QueuedConnection);
    worker_->start(QThread::LowestPriority);
}

void TForm1::ReportPeak(int32_t peakIndex, const CurrentPeak& cur) {
    form5_->Step();
    auto* list = findChild<QListWidget*>("ListBox4");
    for (const std::string& line : PeakReportLines(peakIndex + 1, cur, state_.Format))
        list->addItem(Q(line));
}

void TForm1::FillListMass() {
    auto* list5 = findChild<QListWidget*>("ListBox5");
    auto* list8 = findChild<QListWidget*>("ListBox8");
    list5->clear();
    list8->clear();
    QStringList lines;
    for (const std::string& line : MassListLines(state_.Peaks, state_.Format)) lines << Q(line);
    list5->addItems(lines);
    list8->addItems(lines);
    findChild<QPushButton*>("Button16")->setEnabled(true);
}

void TForm1::Obrab5() {
    if (!worker_) return;
    worker_->wait();
    state_.Peaks = std::move(worker_->Tables());
    const PeakFitState& fit = worker_->Fit();
    windowFit_.Cur.FitPeakNumber = fit.Cur.FitPeakNumber;
    const std::string failure = worker_->Failure();
    const int32_t peakNumber = fit.Cur.FitPeakNumber;
    const int32_t problems = fit.ProblemPeakCount;
    worker_.reset();
    form5_->Finish();
    RefuseCommandsDuringPass(false);

    findChild<QLabel*>("Label2")->setText(QString::number(ElapsedTicks(startTick_, TickCount())));
    findChild<QLabel*>("Label11")->setText(QString::number(peakNumber));
    findChild<QLabel*>("Label4")->setText(QString::number(problems));
    for (QLabel* label : {findChild<QLabel*>("Label2"), findChild<QLabel*>("Label11"),
                          findChild<QLabel*>("Label4")})
        label->adjustSize();

    ChartSeries* s6 = Series("Series6");
    s6->SetMarkersVisible(Action("Points61")->isChecked());
    s6->SetVisible(Action("Series61")->isChecked());
    const CurvePoints curves = FittedCurves(state_.Peaks);
    s6->AppendPoints(curves.x, curves.y, 0, static_cast<int>(curves.x.size()) - 1);
    ChartNamed("Chart1")->replot(QCustomPlot::rpQueuedReplot);

    WriteResultRows(state_.Grid, state_.Peaks, state_.Format);
    ShowGrid();
    const QFontMetrics metrics(grid_->font());
    const std::vector<int> widths = AutoSizeGridColumns(
        state_.Grid, [&](const std::string& t) { return metrics.horizontalAdvance(Q(t)); });
    for (int c = 0; c < static_cast<int>(widths.size()); ++c) grid_->setColumnWidth(c, widths[c]);

    FillListMass();
    StandartCH();
    StandartCF();
    CreateTeoriaCH();
    CreateTeoriaCF();

    if (!failure.empty()) ShowMessage(failure);
    if (state_.HintMode) ShowMessage(LastPassDoneMessage());
    for (const char* name : {"Button1", "Button2", "Button3", "Button8", "Button14", "Button15",
                             "Button16", "Button17"})
        findChild<QPushButton*>(name)->setEnabled(true);
}

void TForm1::ListBox8Click() {
    findChild<QPushButton*>("Button16")->setEnabled(true);
    findChild<QPushButton*>("Button17")->setEnabled(false);
}

void TForm1::Button16Click() {
    auto* list8 = findChild<QListWidget*>("ListBox8");
    QListWidgetItem* item = list8->currentItem();
    if (worker_ || !item || !item->isSelected()) return;
    auto* list9 = findChild<QListWidget*>("ListBox9");
    list9->clear();
    FitLog log;
    try {
        singlePeak_ =
            ProcessOnePeak(state_.Points, state_.Stages.Stage1, state_.Stages.Slope, state_.Peaks,
                           list8->currentRow(), windowFit_, state_.Format, log);
    } catch (const CommandError& e) {
        ShowMessage(e.what());
        return;
    }
    QStringList lines;
    for (const std::string& line : log.iterations) lines << Q(line);
    list9->addItems(lines);
    auto* list3 = findChild<QListWidget*>("ListBox3");
    for (const std::string& line : log.problems) list3->addItem(Q(line));
    findChild<QPushButton*>("Button16")->setEnabled(false);
    findChild<QPushButton*>("Button17")->setEnabled(true);
}

void TForm1::Button17Click() {
    const auto path = seam_->AskSaveFile({kSavePeakTitle, state_.DialogFolder, kTextFileFilter,
                                          PeakFileName(singlePeak_.SinglePeakMass)});
    if (!path) return;
    try {
        WriteOtdelPik(*path, singlePeak_.SinglePeakMass, singlePeak_.SinglePeakLeftIndex,
                      singlePeak_.SinglePeakRightIndex, state_.Points, state_.Format);
    } catch (const CommandError& e) {
        ShowMessage(e.what());
    }
}

}  // namespace ostrel
