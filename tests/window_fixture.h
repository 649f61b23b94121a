// The main window in a test: a scripted seam, a folder of its own, and the road as far as a test
// needs it (a loaded example spectrum, the preliminary processing, the last pass).
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

#include "app/main_window.h"
#include "scripted_seam.h"
#include "state/cp1251.h"
#include "temp_dir.h"

namespace ostrel::testing {

class WindowTest : public ::testing::Test {
  protected:
    TempDir dir;
    ScriptedSeam::Log seam;
    std::unique_ptr<TForm1> window;

    void SetUp() override {
        window = std::make_unique<TForm1>(std::make_unique<ScriptedSeam>(seam),
                                          QString::fromStdString(dir.File("prog") + "/"));
        window->resize(1288, 1004);
        window->show();
        QApplication::processEvents();
    }

    template <typename T>
    T* W(const char* name) {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Trigger(const char* action) { W<QAction>(action)->trigger(); }

    std::string SpectrumFile(const std::string& name = "s.txt") {
        return dir.Write(name,
                         Utf8ToCp1251("\"Проба\"\r\n\"\"\r\n\"\"\r\n1 10\r\n2 20\r\n3 15\r\n"));
    }
    void Open(const std::string& path) {
        seam.answers.push_back(path);
        Trigger("N2");
    }
    void WaitForThePass() {
        QElapsedTimer waited;
        waited.start();
        while (window->LastPassRunning() && waited.elapsed() < 60000) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(1);
        }
        ASSERT_FALSE(window->LastPassRunning());
    }
};

class PreliminaryWindowTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->State().HintMode = false;
        Open(std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt");
        seam.messages.clear();
    }
};

// The example PFTBA spectrum after "Предварительная", hints off; PassAt runs "Последняя" at a
// height (empty: the suggested one, which the field already holds).
class PftbaWindowTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->State().HintMode = false;
        Open(std::string(OSTREL_EXAMPLES_DIR) + "/pftba_R3000.txt");
        W<QPushButton>("Button9")->click();
    }
    void PassAt(const char* height = "") {
        if (*height) W<QLineEdit>("Edit4")->setText(height);
        W<QPushButton>("Button13")->click();
        WaitForThePass();
        seam.messages.clear();
    }
};

class LastPassWindowTest : public PreliminaryWindowTest {
  protected:
    void SetUp() override {
        PreliminaryWindowTest::SetUp();
        W<QPushButton>("Button9")->click();
        seam.messages.clear();
    }
    // "Последняя" with the height and the wait for its end.
    void RunPass(const char* height) {
        W<QLineEdit>("Edit4")->setText(height);
        W<QPushButton>("Button13")->click();
        WaitForThePass();
    }
};

}  // namespace ostrel::testing
