#include <gtest/gtest.h>

#include "state/messages.h"
#include "state/points_file.h"
#include "state/quick_folders.h"

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

TEST(QuickFoldersTest, LocalOnTheHostNetworkElsewhere) {
    EXPECT_EQ(NetworkForm("D:\\Spectra\\", "MSLAB1"), "\\\\MSLAB1\\Spectra\\");
    const auto onHost = QuickFolders(true, true);
    ASSERT_EQ(onHost.size(), 5u);
    EXPECT_EQ(onHost[0].folder, "D:\\Spectra\\");
    EXPECT_EQ(onHost[4].item, "CTemp1");
    EXPECT_EQ(onHost[4].caption, "C:\\Temp");
    const auto away = QuickFolders(false, false);
    EXPECT_EQ(away[0].folder, "\\\\MSLAB1\\Spectra\\");
    EXPECT_EQ(away[2].folder, "\\\\MSLAB2\\Data\\");
    EXPECT_EQ(away[3].folder, onHost[3].folder);  // the fourth is always local
    EXPECT_EQ(ComputerNameFrom("averyveryverylongname"), "averyveryverylo");
}

TEST(QuickFoldersTest, FoldersMapOntoThisComputer) {
    EXPECT_EQ(LocalPathOf("C:\\Temp", "/home/u", "/tmp"), "/tmp/");
    EXPECT_EQ(LocalPathOf("\\\\MSLAB1\\Spectra\\", "/home/u", "/tmp"), "/mnt/MSLAB1/Spectra/");
    EXPECT_EQ(LocalPathOf("D:\\Spectra\\Calibration\\", "/home/u", "/tmp"),
              "/home/u/Spectra/Calibration/");
}

}  // namespace
}  // namespace ostrel
