// TForm1: the main window. The shell owns the program state, the seam, the menus, the layout
// rule and the last processing pass; each of the ten pages keeps its widgets and handlers in
// its own class.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/ui_seam.h"
#include "state/program_state.h"
#include "state/spectrum_road.h"
#include "state/window_texts.h"

class QAction;
class QLabel;
class QMenu;
class QTabWidget;

namespace ostrel {

class CalibrationCurvePage;
class CalibrationMassesPage;
class CompositionPage;
class Chart;
class ChartSeries;
class MyThread;
class ResultsPage;
class SettingsPage;
class SinglePeakPage;
class SpectrumPage;
class TForm5;
class TestingPage;
class TheoryPage;
struct ClearedParts;
struct CurrentPeak;

class TForm1 : public QMainWindow {
  public:
    // Every page's widgets fit from this size on.
    static constexpr int kMinimumWidth = 920;
    static constexpr int kMinimumHeight = 640;

    // programFolder: the folder of the program file, with its trailing separator.
    TForm1(std::unique_ptr<UiSeam> seam, QString programFolder, QWidget* parent = nullptr);
    ~TForm1() override;

    ProgramState& State() { return state_; }
    // The road of the open spectrum: every command's step goes through it.
    SpectrumRoad& Road() { return road_; }
    UiSeam& Seam() { return *seam_; }
    void ShowMessage(const std::string& text) { seam_->ShowMessage(text); }
    const QString& ProgramFolder() const { return programFolder_; }
    TForm5* ProgressWindow() const { return form5_; }
    QAction* Action(const QString& name) const;
    // A chart series or a chart of any page, by its object name.
    ChartSeries* Series(const QString& name) const;
    Chart* ChartNamed(const QString& name) const;

    SpectrumPage& Spectrum() { return *spectrum_; }
    ResultsPage& Results() { return *results_; }
    SettingsPage& Settings() { return *settings_; }
    CalibrationMassesPage& CalibrationMasses() { return *masses_; }
    CalibrationCurvePage& CalibrationCurve() { return *curve_; }
    TheoryPage& TheoryCH() { return *theoryCH_; }
    TheoryPage& TheoryCF() { return *theoryCF_; }
    SinglePeakPage& SinglePeak() { return *single_; }
    TestingPage& Testing() { return *testing_; }
    CompositionPage& Composition() { return *composition_; }

    // Opens the file as "Открыть..." would after its dialog (the path given on the command line).
    void OpenSpectrumFile(const std::string& path);
    // Clears the widgets that show the parts a reset of derived data emptied.
    void ApplyClearAll(const ClearedParts& cleared);
    // The layout rule, applied at start and whenever a page changes size.
    void ApplyLayoutRule();

    // Every file dialog of the program: it starts in the request's folder, or, when that is
    // empty, in the folder last used in this run (the open spectrum's after a load, the home
    // folder before the first one); the folder of the chosen file becomes the last folder.
    std::optional<std::string> AskOpenFile(FileDialogRequest request);
    std::optional<std::string> AskSaveFile(FileDialogRequest request);
    std::optional<SavedFileChoice> AskSaveFileAndFilter(FileDialogRequest request);

    // What was made and not yet saved or exported; the question before quitting reads it.
    UnsavedWork& Unsaved() { return unsaved_; }
    // After a command that wrote or copied out the results of the pass.
    void ResultsExported() { unsaved_.passResults = false; }
    // Enables the commands that have data to work on (the exports, the saving of the spectrum,
    // "Вернуть исходный спектр") and disables the others; while the window refuses commands it
    // waits until they are given back.
    void UpdateDataCommands();
    // The status line: the point under the pointer on a chart.
    QLabel* StatusLine() const { return status_; }

    // The shell's commands.
    void N2Click();   // Открыть...
    void N42Click();  // Сохранить...
    void QuickFolderClick(const std::string& folder);
    // "Вернуть исходный спектр": the masses as opened, after a recalculation.
    void RestoreSpectrumClick();
    // "Папки": the entries of this computer's folders that exist now.
    void RefreshQuickFolders();
    void N44Click();  // Подсказка
    void N31Click();  // Хинты на CH и CF
    void N14Click();  // О программе...

    // Long work of a command (reading a file, the preliminary processing): the window refuses
    // commands, shows the wait cursor and the progress window, and keeps painting while the work
    // runs on a thread of its own. Scopes nest; the outermost one gives every command back the
    // state it had, so a command enables or disables its buttons after its scope has ended.
    class BusyScope {
      public:
        explicit BusyScope(TForm1& form);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

      private:
        TForm1& form_;
    };
    // Runs work off the window's thread inside a BusyScope and waits for it while serving
    // events; an exception of the work is thrown again here.
    void RunOffThread(const std::function<void()>& work);
    bool Busy() const { return busyDepth_ > 0; }

    // The last processing pass: the worker, its reports and the results assembly.
    void StartLastPass();
    void ReportPeak(int32_t peakIndex, const CurrentPeak& cur);
    void Obrab5();
    bool LastPassRunning() const { return worker_ != nullptr; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // With unsaved work the user is asked first; "Нет" keeps the window open. Closing during a
    // pass stops it after the peak being fitted, without the results assembly.
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildPages();
    void BuildMenus();
    void BuildViewMenu(QMenu* menu);
    void AddSwitch(QMenu* menu, const QString& name, const QString& caption, bool visibleInMenu,
                   const QString& series, bool markers);
    void FormCreate();
    // Every chart reports the point under the pointer to the status line.
    void WatchPointers();
    // The dialog's folder filled in, and the folder of its answer kept.
    void PrepareDialog(FileDialogRequest& request) const;
    void RememberFolderOf(const std::optional<std::string>& path);
    // The open dialog, starting in folder (the last folder when empty), then the load.
    void ReadFromFile(const std::string& folder);
    void LoadSpectrum(const std::string& path);
    // While the worker or other long work runs, every command is disabled but the view, the
    // help and the exit: the buttons, check boxes, edit fields, command lists and pop-up commands
    // of every page and the file commands. Afterwards each gets back the state it had.
    void RefuseCommands(bool refuse);
    // Stops a running pass between two peaks and serves its last reports until it has ended.
    void StopLastPass();

    ProgramState state_;
    SpectrumRoad road_{state_};
    std::unique_ptr<UiSeam> seam_;
    QString programFolder_;
    TForm5* form5_ = nullptr;
    QTabWidget* pages_ = nullptr;
    SpectrumPage* spectrum_ = nullptr;
    ResultsPage* results_ = nullptr;
    SettingsPage* settings_ = nullptr;
    CalibrationMassesPage* masses_ = nullptr;
    CalibrationCurvePage* curve_ = nullptr;
    TheoryPage* theoryCH_ = nullptr;
    TheoryPage* theoryCF_ = nullptr;
    SinglePeakPage* single_ = nullptr;
    TestingPage* testing_ = nullptr;
    CompositionPage* composition_ = nullptr;
    std::unique_ptr<MyThread> worker_;
    uint32_t startTick_ = 0;
    std::vector<std::pair<QObject*, bool>> refused_;
    bool refusing_ = false;
    int busyDepth_ = 0;
    UnsavedWork unsaved_;
    QLabel* status_ = nullptr;
    std::string spectrumFolder_;  // the folder of the open spectrum's file
};

}  // namespace ostrel
