// Every control of the main window at its place and size, with its caption and
// enabled state, as the window inventory gives them.
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include "gui/main_window.h"
#include "gui/message_box.h"
#include "gui/splash_window.h"
#include "window_fixture.h"

using kalore::TForm1;

class MainWindowInventoryTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void controlIsInPlace_data();
    void controlIsInPlace();
    void windowOpensAtItsDesignSizeAndMayGrow();
    void thePictureTakesTheRoomOfALargerWindow();
    void gridHasItsSevenColumnsAndATitleBesideTheChannel();
    void formatBoxOffersTheThreeFormatsAndShowsTheFirst();
    void timersStartOff();
    void picturesAreTheJpegArtworkOfTheirSizes();

private:
    kalore::testing::WorkingDirectory cwd_; // where the address answer file goes
    kalore::testing::LoopbackWeb web_;
    kalore::testing::ProgramFolder folder_{web_};
    kalore::MessageBoxCapture messages_;
    TForm1* window_ = nullptr;
};

void MainWindowInventoryTest::initTestCase() {
    window_ = new TForm1(folder_.Options());
}

void MainWindowInventoryTest::cleanupTestCase() {
    delete window_;
}

void MainWindowInventoryTest::controlIsInPlace_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QRect>("place"); // width or height -1: sized by its text
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");

    const auto row = [](const char* name, const char* kind, QRect place, const QString& caption,
                        bool enabled = true) {
        QTest::newRow(name) << kind << place << caption << enabled;
    };
    row("Image3", "QLabel", {0, -7, 993, 768}, "");
    row("Label8", "QLabel", {8, 8, -1, -1}, "Chaine TV :");
    row("ComboBox2", "QComboBox", {86, 7, 649, -1}, "");
    row("Button10", "QPushButton", {8, 37, 212, 25}, "Programmer l'enregistrement");
    row("Panel1", "QFrame", {226, 37, 509, 388}, "");
    row("Label3", "QLabel", {216, 180, -1, -1}, "Kalore !!");
    row("Label6", "QLabel", {84, 212, -1, -1}, "regarder en direct.. enregistrer.. programmer !!");
    row("Label4", "QLabel", {8, 78, -1, -1}, "De :");
    row("DateTimePicker1", "QTimeEdit", {38, 78, 182, -1}, "");
    row("MonthCalendar1", "QCalendarWidget", {9, 108, 211, 183}, "");
    row("Label5", "QLabel", {13, 303, -1, -1}, "A :");
    row("DateTimePicker2", "QTimeEdit", {38, 303, 182, -1}, "");
    row("MonthCalendar2", "QCalendarWidget", {8, 333, 211, 183}, "");
    row("Button1", "QPushButton", {225, 431, 119, 25}, "Regarder la TV");
    row("Button8", "QPushButton", {350, 431, 123, 25}, "Stop lecture", false);
    row("Button4", "QPushButton", {479, 431, 113, 25}, "Enregistrer la TV");
    row("Button9", "QPushButton", {598, 431, 136, 25}, "Stop Enregistrement", false);
    row("Label1", "QLabel", {273, 466, -1, -1}, "Enregistrer dans :");
    row("Edit2", "QLineEdit", {382, 462, 352, -1}, "");
    row("Label2", "QLabel", {225, 495, -1, -1}, "Format d'enregistrement :");
    row("ComboBox1", "QComboBox", {382, 492, 352, -1}, "");
    row("StringGrid1", "QTableView", {8, 538, 727, 147}, "");
    row("Button11", "QPushButton", {8, 691, 177, 25}, "Supprimer l'enregistrement");
    row("Button12", "QPushButton", {191, 691, 186, 25}, "Vider tous les enregistrements");
    row("Button13", "QPushButton", {416, 691, 318, 25},
        QStringLiteral("Ouvri le dossier des enregistrements programmés"));
    row("CheckBox1", "QCheckBox", {8, 722, 17, 17}, "");
    row("Label7", "QLabel", {31, 722, -1, -1},
        QStringLiteral("Lancer Kalore au démarrage de Windows"));
    // Outside the client area.
    row("Memo1", "QPlainTextEdit", {8, 752, 727, 168}, "");
    row("Button3", "QPushButton", {598, 926, 75, 25}, "Clear");
    row("ComboBox3", "QComboBox", {813, 128, 300, -1}, "");
    row("ListBox1", "QListView", {776, 538, 337, 147}, "");
    row("Button2", "QPushButton", {759, 410, 136, 25}, "Stop Thread 1");
    row("Button5", "QPushButton", {813, 88, 119, 25}, "Charger liste");
    row("Button6", "QPushButton", {813, 46, 119, 25}, "afficher l'index");
    row("Button7", "QPushButton", {813, 167, 119, 25}, "Button7");
}

void MainWindowInventoryTest::controlIsInPlace() {
    QFETCH(QString, kind);
    QFETCH(QRect, place);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);

    auto* control = window_->findChild<QWidget*>(QTest::currentDataTag());
    QVERIFY2(control != nullptr, QTest::currentDataTag());
    QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());
    QCOMPARE(control->pos(), place.topLeft());
    if (place.width() >= 0) {
        QCOMPARE(control->width(), place.width());
    }
    if (place.height() >= 0) {
        QCOMPARE(control->height(), place.height());
    }
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        QCOMPARE(button->text(), caption);
    } else if (auto* label = qobject_cast<QLabel*>(control); label && !caption.isEmpty()) {
        QCOMPARE(label->text(), caption);
    }
    QCOMPARE(control->isEnabled(), enabled);
}

void MainWindowInventoryTest::windowOpensAtItsDesignSizeAndMayGrow() {
    QCOMPARE(window_->size(), QSize(742, 742));
    QCOMPARE(window_->minimumSize(), QSize(742, 742));
    QVERIFY(window_->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(window_->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(window_->windowTitle().startsWith("Kalore v 1.1"));
    QCOMPARE(window_->font().pixelSize(), 13);
    auto* checkBox = window_->findChild<QCheckBox*>("CheckBox1");
    QVERIFY(checkBox->isChecked());
    QVERIFY(checkBox->text().isEmpty());
    auto* label3 = window_->findChild<QLabel*>("Label3");
    QVERIFY(label3->font().bold());
    QCOMPARE(label3->font().pixelSize(), 20);
    QCOMPARE(window_->findChild<QLabel*>("Label6")->font().pixelSize(), 15);
    QVERIFY(window_->findChild<QLabel*>("Label8")->font().bold());
    QVERIFY(window_->findChild<QPlainTextEdit*>("Memo1")->verticalScrollBarPolicy() ==
            Qt::ScrollBarAlwaysOn);
}

void MainWindowInventoryTest::thePictureTakesTheRoomOfALargerWindow() {
    TForm1 window(folder_.Options());
    // A screen as large as the window wants, for the offscreen platform's own is short.
    window.setMinimumSize(742, 742);
    window.resize(1042, 942);
    QResizeEvent grown(QSize(1042, 942), QSize(742, 742));
    QCoreApplication::sendEvent(&window, &grown);
    const auto place = [&](const char* name) {
        return window.findChild<QWidget*>(name)->geometry();
    };
    QCOMPARE(place("Panel1"), QRect(226, 37, 809, 588));
    QCOMPARE(place("ComboBox2"), QRect(86, 7, 949, 21));
    // The left column stays, what lies under the picture moves down.
    QCOMPARE(place("MonthCalendar2"), QRect(8, 333, 211, 183));
    QCOMPARE(place("Button1"), QRect(225, 631, 119, 25));
    QCOMPARE(place("Edit2"), QRect(382, 662, 652, 21));
    QCOMPARE(place("StringGrid1"), QRect(8, 738, 1027, 147));
    QCOMPARE(place("Button11"), QRect(8, 891, 177, 25));
    QCOMPARE(place("GuideButton"), QRect(898, 919, 136, 21));
    // The panel's words stay in its middle, now and next at its foot.
    QCOMPARE(window.findChild<QLabel*>("Label3")->pos(), QPoint(366, 280));
    QCOMPARE(window.findChild<QLabel*>("NowNextLabel")->geometry().bottom(), 588 - 128 + 109);
    // What the user never sees stays out of sight.
    for (const char* hidden : {"Memo1", "Button3", "ComboBox3", "ListBox1", "Button2", "Button5",
                               "Button6", "Button7"}) {
        QVERIFY2(!QRect(0, 0, 1042, 942).intersects(place(hidden)), hidden);
    }
    // Back to the design size, every control is back in its place.
    QResizeEvent back(QSize(742, 742), QSize(1042, 942));
    window.resize(742, 742);
    QCoreApplication::sendEvent(&window, &back);
    QCOMPARE(place("Panel1"), QRect(226, 37, 509, 388));
    QCOMPARE(place("Memo1"), QRect(8, 752, 727, 168));
    QCOMPARE(place("Button13"), QRect(416, 691, 318, 25));
}

void MainWindowInventoryTest::gridHasItsSevenColumnsAndATitleBesideTheChannel() {
    auto* grid = window_->findChild<QTableView*>("StringGrid1");
    QCOMPARE(grid->model()->columnCount(), 8);
    QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral(" Chaine à enregistrer"));
    QCOMPARE(grid->model()->headerData(6, Qt::Horizontal).toString(), QStringLiteral(" Format"));
    QCOMPARE(grid->model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral(" Titre"));
    QCOMPARE(grid->horizontalHeader()->visualIndex(7), 1);
    QCOMPARE(grid->model()->rowCount(), 1); // the empty input row
    // The channel's 206 pixels shared with the title; the others as designed.
    const int widths[] = {110, 77, 76, 78, 84, 100, 95};
    for (int c = 0; c < 7; ++c) {
        QCOMPARE(grid->columnWidth(c), widths[c]);
    }
    QCOMPARE(grid->horizontalHeader()->sectionResizeMode(7), QHeaderView::Stretch);
    QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void MainWindowInventoryTest::formatBoxOffersTheThreeFormatsAndShowsTheFirst() {
    auto* box = window_->findChild<QComboBox*>("ComboBox1");
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->itemText(0), QStringLiteral("H264 (320x240) idéal pour minimiser le stockage"));
    QCOMPARE(box->itemText(1), QStringLiteral("Format Haute Qualité"));
    QCOMPARE(box->itemText(2), QStringLiteral("Qualité d'origine (copie du flux)"));
    QCOMPARE(box->currentText(), box->itemText(0));
    QVERIFY(box->isEditable());
    QVERIFY(window_->findChild<QComboBox*>("ComboBox2")->isEditable());
}

void MainWindowInventoryTest::timersStartOff() {
    for (const char* name : {"Timer1", "Timer2"}) {
        auto* timer = window_->findChild<QTimer*>(name);
        QVERIFY2(timer != nullptr, name);
        QVERIFY(!timer->isActive());
    }
}

void MainWindowInventoryTest::picturesAreTheJpegArtworkOfTheirSizes() {
    const QPixmap background = window_->findChild<QLabel*>("Image3")->pixmap();
    QCOMPARE(background.size(), QSize(993, 768));

    kalore::TForm3 splash;
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.size(), QSize(672, 302));
    auto* picture = splash.findChild<QLabel*>("Image1");
    QCOMPARE(picture->geometry(), QRect(0, 0, 673, 305));
    QCOMPARE(picture->pixmap().size(), QSize(673, 305));
    QCOMPARE(splash.findChild<QLabel*>("Label1")->text(), QString("initialisation.."));
    QCOMPARE(splash.findChild<QLabel*>("Label1")->pos(), QPoint(392, 152));
    QCOMPARE(splash.findChild<QLabel*>("Label2")->pos(), QPoint(296, 168));
}

QTEST_MAIN(MainWindowInventoryTest)
#include "main_window_inventory_test.moc"
