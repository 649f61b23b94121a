#include <gtest/gtest.h>

#include <filesystem>

#include "state/messages.h"
#include "state/number_format.h"
#include "state/points_file.h"
#include "state/quick_folders.h"
#include "state/window_texts.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

TEST(ShellTextsTest, LoadHintLinesAreJoinedByCarriageReturns) {
    EXPECT_EQ(LoadHintMessage(),
              "Перейдите на вкладку \"Настройка\"\r\rЗадайте значение для KolUsred (кол-во "
              "усреднений):\rдля одиночных пиков => 150\rдля двойных пиков => 10\r\rи нажмите "
              "на кнопку \"Предварительная\"\r");
    EXPECT_EQ(GridHeaders().size(), 12u);
    EXPECT_EQ(ZoneListTooltip(), "первое число - высота зоны пика\rвторое число - центр зоны");
}

TEST(ShellTextsTest, DialogFiltersBecomeQtFilters) {
    EXPECT_EQ(DialogFilterToQt("Текст (*.txt)|*.TXT|Все (*.*)|*.*"), "Текст (*.txt);;Все (*.*)");
    EXPECT_EQ(DialogFilterToQt("HTML|*.htm;*.html"), "HTML (*.htm *.html)");
    EXPECT_EQ(DialogFilterToQt(kOpenSpectrumFilter),
              "Текст (*.txt);;mzML, mzXML (*.mzML *.mzXML);;Все (*.*)");
}

TEST(ShellTextsTest, TheWindowsFrameTexts) {
    EXPECT_EQ(WindowTitle(""), "Ostrel");
    EXPECT_EQ(WindowTitle("pftba_R3000.txt"), "pftba_R3000.txt — Ostrel");
    const NumberFormat f('.');
    const PointerAxes spectrum;
    EXPECT_EQ(PointerStatusText(spectrum, 69.001234, 12345.4, std::nullopt, f),
              "m/z = 69.00123   I = 12345");
    EXPECT_EQ(PointerStatusText(spectrum, 69.5, 10, 68.5, f),
              "m/z = 69.50000   I = 10   Δm/z = 1.00000 от 68.50000");
    EXPECT_EQ(IntensityAxisTitle(false), "Интенсивность");
    EXPECT_NE(IntensityAxisTitle(true).find("× 1000"), std::string::npos);
    EXPECT_EQ(QuitQuestion({true, false}),
              "Результаты последней обработки не сохранены и не выведены в файл.\r\rВыйти из "
              "программы?");
    EXPECT_NE(QuitQuestion({false, true}).find("Пересчитанный спектр"), std::string::npos);
    EXPECT_FALSE(UnsavedWork{}.Any());
}

// The entries are folders of this computer, named for what they are; a missing folder has none.
TEST(QuickFoldersTest, ExistingFoldersOfThisComputerOnly) {
    testing::TempDir dir;
    const auto made = [&](const std::string& name) {
        std::filesystem::create_directories(dir.File(name));
        return dir.File(name);
    };
    const std::string home = made("home"), temp = made("tmp"), spectra = made("home/spectra");
    // An installed program: <prefix>/bin beside <prefix>/share/ostrel/examples.
    made("usr/bin");
    const std::string examples = made("usr/share/ostrel/examples");
    QuickFolderPlaces places{home, dir.File("usr/bin") + "/", spectra, temp};

    auto entries = QuickFolders(places);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].item, "QuickFolder1");
    EXPECT_EQ(entries[0].caption, "Домашняя папка: " + home + "/");
    EXPECT_EQ(entries[1].folder, examples + "/");
    EXPECT_EQ(entries[1].caption, "Примеры спектров: " + examples + "/");
    EXPECT_EQ(entries[2].caption, "Папка открытого спектра: " + spectra + "/");
    EXPECT_EQ(entries[3].item, "CTemp1");
    EXPECT_EQ(entries[3].folder, temp + "/");

    // A build folder inside the source tree finds the tree's examples.
    made("src/build");
    EXPECT_EQ(ExamplesFolder(dir.File("src/build") + "/"), made("src/examples") + "/");

    // Missing folders, no spectrum yet, and a spectrum in the home folder: no entry of their own.
    places.programFolder = dir.File("nowhere") + "/";
    places.tempFolder = dir.File("gone");
    places.spectrumFolder = "";
    entries = QuickFolders(places);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].item, "QuickFolder1");
    places.spectrumFolder = home + "/./";
    EXPECT_EQ(QuickFolders(places).size(), 1u);

    EXPECT_EQ(FolderOf("/a/b/c.txt"), "/a/b/");
    EXPECT_EQ(FolderOf("c.txt"), "");
    EXPECT_EQ(ComputerNameFrom("averyveryverylongname"), "averyveryverylo");
}

}  // namespace
}  // namespace ostrel
