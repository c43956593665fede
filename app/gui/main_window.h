#pragma once

#include <memory>
#include <string>

#include <QWidget>

#include "app/host.h"
#include "app/settings.h"

class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTimeEdit;

namespace kalore {

class QtTimer;

// How the main window is set up: the real program takes the defaults, tests give
// a program folder of their own.
struct MainWindowOptions {
    std::string programFolder; // empty: the executable's folder
    QWidget* splash = nullptr; // hidden at the end of the set-up sequence
};

// The program's single main window. It shows the core's state and calls the core
// from its handlers; every control keeps the name it has in the window inventory.
class TForm1 final : public QWidget, public Host {
    Q_OBJECT
public:
    explicit TForm1(MainWindowOptions options = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // Host
    void AppendLog(const std::string& line) override;
    void SetAppTitle(const std::string& text) override;
    void ShowMessage(const std::string& text) override;

    const std::string& programFolder() const { return programFolder_; }
    const std::string& appTitle() const { return appTitle_; }
    const SettingsValues& settings() const { return settings_; }

public slots:
    void Button3Click();
    void Button13Click();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void FormCreate();
    void FormActivate();
    void FormClose();
    void FormDestroy();
    void LoadSettingsIntoControls();
    void SaveSettingsFromControls();

    MainWindowOptions options_;
    std::string programFolder_;
    std::string appTitle_;
    SettingsValues settings_;
    std::string liveStreamAddress_;

    // Visible controls.
    QLabel* Image3 = nullptr;
    QLabel* Label8 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QPushButton* Button10 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label4 = nullptr;
    QTimeEdit* DateTimePicker1 = nullptr;
    QCalendarWidget* MonthCalendar1 = nullptr;
    QLabel* Label5 = nullptr;
    QTimeEdit* DateTimePicker2 = nullptr;
    QCalendarWidget* MonthCalendar2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button9 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QPushButton* Button11 = nullptr;
    QPushButton* Button12 = nullptr;
    QPushButton* Button13 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLabel* Label7 = nullptr;
    std::unique_ptr<QtTimer> Timer1;
    std::unique_ptr<QtTimer> Timer2;
    // Controls outside the client area: never seen, but they exist and work.
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button3 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button7 = nullptr;
};

} // namespace kalore
