// TForm1: the main window with its nine pages, menus, layout rule and the shell's commands.
#pragma once

#include <QMainWindow>
#include <QString>
#include <map>
#include <memory>

#include "app/chart.h"
#include "app/ui_seam.h"
#include "fitting/peak_fit.h"
#include "processing/last_pass.h"
#include "state/program_state.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QMenu;

namespace ostrel {

class TForm5;
class MyThread;

class TForm1 : public QMainWindow {
  public:
    // programFolder: the folder of the program file, with its trailing separator.
    TForm1(std::unique_ptr<UiSeam> seam, QString programFolder, QWidget* parent = nullptr);
    ~TForm1() override;

    ProgramState& State() { return state_; }
    UiSeam& Seam() { return *seam_; }
    TForm5* ProgressWindow() const { return form5_; }
    ChartSeries* Series(const QString& name) const;
    Chart* ChartNamed(const QString& name) const;

    // Opens the file as "Открыть..." would after its dialog (the path given on the command line).
    void OpenSpectrumFile(const std::string& path);

    // The layout rule, applied at start and whenever a page changes size.
    void ApplyLayoutRule();

    // The shell's commands.
    void N2Click();   // Открыть...
    void N42Click();  // Сохранить...
    void QuickFolderClick(const std::string& folder);
    void N44Click();  // Подсказка
    void N31Click();  // Хинты на CH и CF
    void N14Click();  // О программе...

    // The preliminary processing and the zone browser.
    void Button9Click();
    void Obrab1();
    void Obrab2();
    void Obrab3();
    void Obrab4();
    void ObrabNaklon();
    void OtsortVysota();
    void ListBox1Click();
    void NextVysota();
    void BitBtn1Click();
    int32_t MarkerIndex() const { return markerIndex_; }

    // The last processing pass and the single-peak page.
    void Button13Click();
    void StartLastPass();
    void ReportPeak(int32_t peakIndex, const CurrentPeak& cur);
    void Obrab5();
    void FillListMass();
    // The reference tables and theory charts of the measured peaks; empty until those exist.
    void StandartCH() {}
    void StandartCF() {}
    void CreateTeoriaCH() {}
    void CreateTeoriaCF() {}
    void ListBox8Click();
    void Button16Click();
    void Button17Click();
    bool LastPassRunning() const { return worker_ != nullptr; }
    const SinglePeakResult& SinglePeak() const { return singlePeak_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildPages();
    void BuildSpectrumPage(QWidget* page);
    void BuildGridPage(QWidget* page);
    void BuildSettingsPage(QWidget* page);
    void BuildCalibrationMassesPage(QWidget* page);
    void BuildCalibrationCurvePage(QWidget* page);
    void BuildTheoryPage(QWidget* page, const QString& chartName, const QString& theory,
                         const QString& measured, bool purpleMarkers);
    void BuildSinglePeakPage(QWidget* page);
    void BuildTestingPage(QWidget* page);
    void BuildMenus();
    void BuildViewMenu(QMenu* menu);
    void FormCreate();

    void ReadFromFile();
    void LoadSpectrum(const std::string& path);
    void ApplyClearAll(const ClearAllEffects& effects);
    void ShowGrid();
    void ShowMessage(const std::string& text) { seam_->ShowMessage(text); }
    void AddSwitch(QMenu* menu, const QString& name, const QString& caption, bool visibleInMenu,
                   const QString& series, bool markers);
    QAction* Action(const QString& name) const;
    void DrawStage(const char* series, const PointList& list, const char* lineToggle,
                   const char* pointsToggle);
    void Series15AfterDrawValues(QPainter& painter);
    // While the worker runs, every command that changes what it reads or reads what it writes
    // is disabled; afterwards each gets back the state it had.
    void RefuseCommandsDuringPass(bool refuse);

    ProgramState state_;
    std::unique_ptr<UiSeam> seam_;
    QString programFolder_;
    TForm5* form5_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QTableWidget* grid_ = nullptr;
    std::map<QString, Chart*> charts_;
    std::map<QString, ChartSeries*> series_;
    std::map<QString, QWidget*> pageByName_;
    int32_t selectedZone_ = 0;
    int32_t markerIndex_ = 0;
    std::unique_ptr<MyThread> worker_;
    uint32_t startTick_ = 0;
    PeakFitState windowFit_;  // the single-peak command's own fit context
    SinglePeakResult singlePeak_;
    std::vector<std::pair<QObject*, bool>> refused_;
};

}  // namespace ostrel
