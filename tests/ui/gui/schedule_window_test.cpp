// The schedule as the user drives it: the entry fields, "Programmer l'enregistrement",
// the grid and the URL list, deleting and clearing, and the two files on disk after
// every change and across a restart of the window.
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>

#include "gui/message_box.h"
#include "platform/code_page.h"
#include "recorder/recording_controller.h"
#include "schedule/schedule.h"
#include "window_fixture.h"

using kalore::TForm1;
using kalore::testing::LoopbackWeb;
using kalore::testing::ProgramFolder;
using kalore::testing::WorkingDirectory;

namespace {

constexpr const char* kOrangeList = "1,TF1\r\nrtp://@232.0.1.1:8200\r\n"
                                    "2,France 2\r\nrtp://@232.0.1.2:8200\r\n"
                                    "3,France 3\r\nrtp://@232.0.1.3:8200\r\n";
const QString kFirstFormat = QStringLiteral("H264 (320x240) idéal pour minimiser le stockage");
const std::string kLengthRefused = "La durée d'enregistrement est erronée!!\rMerci de corriger les "
                                   "dates et heurs (début/fin).";
const std::string kStartRefused = "L'heur du début de l'enregistrement est dépassée!!\rMerci de "
                                  "corriger les dates et heurs (début/fin).";
const std::string kOverlapRefused = "Le début et fin de l'enregistrement chevauche un "
                                    "enregistrement existant !!\rMerci de corriger les dates et "
                                    "heurs (début/fin).";
// The empty schedule on disk: 7, 2 and the input row's seven empty lines.
const QByteArray kEmptyRecordsList = "7\r\n2\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";

QByteArray Win1252(const QString& text) {
    return QByteArray::fromStdString(kalore::Utf8ToWin1252(text.toStdString()));
}

// Whole seconds: the fields hold no fraction, and neither must the expectations.
QDateTime InSeconds(qint64 seconds) {
    QDateTime now = QDateTime::currentDateTime();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return now.addSecs(seconds);
}

QString DateText(const QDateTime& t) {
    return t.toString("dd/MM/yyyy");
}
QString TimeText(const QDateTime& t) {
    return t.toString("HH:mm:ss");
}

} // namespace

class ScheduleWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void programmedEntryIsShownAndWrittenByteExact();
    void refusedEntriesShowTheirMessageAndChangeNothing();
    void typedChannelNameGivesAnEmptyUrlLine();
    void deletingTheMiddleEntrySelectsTheFormerThird();
    void runningEntryCannotBeDeletedButClearingRemovesIt();
    void entriesComeBackAfterTheWindowIsDestroyedWithoutClosing();
    void damagedScheduleIsKeptAsideAndReported();
    void newRowsAreScrolledToAndShowTheirProgrammeTitle();
    void aFolderThatCantBeOpenedSaysWhereItIs();
    void rowsShowInStartOrderAndTimesTakeWhatIsTyped();

private:
    std::unique_ptr<TForm1> MakeWindow();
    // Picks the channel at `index` the way the keyboard does, from the first one.
    void PickChannel(int index);
    void SetInterval(const QDateTime& start, const QDateTime& end);
    void Program(const QDateTime& start, const QDateTime& end);
    void ClickGridRow(int gridRow);
    QString Cell(int gridRow, int column) const;
    QStringList GridRow(int gridRow) const;
    int GridRows() const { return grid()->model()->rowCount(); }
    QStringList Urls() const;
    QByteArray EntryLines(const QString& channel, const QDateTime& start, const QDateTime& end,
                          const QString& status = "Programmé") const;
    template <typename T> T* Find(const char* name) const {
        return kalore::testing::FindControl<T>(*window_, name);
    }
    QTableView* grid() const { return Find<QTableView>("StringGrid1"); }

    LoopbackWeb web_;
    std::unique_ptr<WorkingDirectory> cwd_;
    std::unique_ptr<ProgramFolder> folder_;
    std::unique_ptr<kalore::MessageBoxCapture> messages_;
    std::unique_ptr<TForm1> window_;
};

void ScheduleWindowTest::init() {
    window_.reset();
    cwd_.reset(); // back in the first folder before the next one is entered
    cwd_ = std::make_unique<WorkingDirectory>();
    folder_ = std::make_unique<ProgramFolder>(web_);
    folder_->Write("B/listeTVforKalore.txt", kOrangeList);
    messages_ = std::make_unique<kalore::MessageBoxCapture>();
}

std::unique_ptr<TForm1> ScheduleWindowTest::MakeWindow() {
    auto window = std::make_unique<TForm1>(folder_->Options());
    window->show();
    return window;
}

void ScheduleWindowTest::PickChannel(int index) {
    auto* box = Find<QComboBox>("ComboBox2");
    QCOMPARE(box->currentIndex(), 0);
    for (int i = 0; i < index; ++i) {
        QTest::keyClick(box, Qt::Key_Down);
    }
    QCOMPARE(box->currentIndex(), index);
}

void ScheduleWindowTest::SetInterval(const QDateTime& start, const QDateTime& end) {
    Find<QCalendarWidget>("MonthCalendar1")->setSelectedDate(start.date());
    Find<QTimeEdit>("DateTimePicker1")->setTime(start.time());
    Find<QCalendarWidget>("MonthCalendar2")->setSelectedDate(end.date());
    Find<QTimeEdit>("DateTimePicker2")->setTime(end.time());
}

void ScheduleWindowTest::Program(const QDateTime& start, const QDateTime& end) {
    SetInterval(start, end);
    QTest::mouseClick(Find<QPushButton>("Button10"), Qt::LeftButton);
}

void ScheduleWindowTest::ClickGridRow(int gridRow) {
    QTableView* view = grid();
    const QRect cell = view->visualRect(view->model()->index(gridRow, 0));
    QVERIFY(cell.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

QString ScheduleWindowTest::Cell(int gridRow, int column) const {
    return grid()->model()->index(gridRow, column).data().toString();
}

QStringList ScheduleWindowTest::GridRow(int gridRow) const {
    QStringList cells;
    for (int c = 0; c < 7; ++c) {
        cells << Cell(gridRow, c);
    }
    return cells;
}

QStringList ScheduleWindowTest::Urls() const {
    QStringList lines;
    const QAbstractItemModel* model = Find<QListView>("ListBox1")->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        lines << model->index(r, 0).data().toString();
    }
    return lines;
}

QByteArray ScheduleWindowTest::EntryLines(const QString& channel, const QDateTime& start,
                                          const QDateTime& end, const QString& status) const {
    const QStringList cells{channel,       DateText(start), TimeText(start), DateText(end),
                            TimeText(end), status,          kFirstFormat};
    return Win1252(cells.join("\r\n") + "\r\n");
}

void ScheduleWindowTest::programmedEntryIsShownAndWrittenByteExact() {
    window_ = MakeWindow();
    const QStringList headers{
        " Chaine à enregistrer", " Date de début", " Heur de début", " Date de fin",
        " Heur de fin",          " Etat",          " Format"};
    for (int c = 0; c < 7; ++c) {
        QCOMPARE(grid()->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
    }
    QCOMPARE(GridRows(), 1); // the input row alone

    const QDateTime start = InSeconds(600);
    const QDateTime end = start.addSecs(60);
    PickChannel(1);
    Program(start, end);

    QCOMPARE(messages_->texts(), std::vector<std::string>{});
    QCOMPARE(GridRows(), 2);
    QCOMPARE(GridRow(0), (QStringList{"France 2", DateText(start), TimeText(start), DateText(end),
                                      TimeText(end), "Programmé", kFirstFormat}));
    QCOMPARE(GridRow(1), QStringList(7, QString()));
    QCOMPARE(Urls(), QStringList{"rtp://@232.0.1.2:8200"});
    const QStringList log = Find<QPlainTextEdit>("Memo1")->toPlainText().split('\n');
    QVERIFY(log.contains("--Nombre de secondes de différence entre le début et la fin: 60"));
    const QString ahead = "--Nombre de secondes de différence entre la date du début et "
                          "maintenant: ";
    // 600, or 599 when the clock ticked between setting the fields and the click.
    QVERIFY(log.contains(ahead + "600") || log.contains(ahead + "599"));

    const QByteArray list = folder_->Read("B/recordslist");
    QCOMPARE(list,
             "7\r\n3\r\n" + EntryLines("France 2", start, end) + "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    QCOMPARE(list.count("\r\n"), 16);
    QCOMPARE(folder_->Read("B/recordsurlist"), QByteArray("rtp://@232.0.1.2:8200\r\n"));
}

void ScheduleWindowTest::refusedEntriesShowTheirMessageAndChangeNothing() {
    window_ = MakeWindow();
    const QDateTime start = InSeconds(1200);
    Program(start, start.addSecs(3600));
    QCOMPARE(GridRows(), 2);
    const QByteArray list = folder_->Read("B/recordslist");
    const QByteArray urls = folder_->Read("B/recordsurlist");

    const auto refused = [&](const QDateTime& from, const QDateTime& to,
                             const std::string& message) {
        messages_->clear();
        Program(from, to);
        QCOMPARE(messages_->texts(), std::vector<std::string>{message});
        QCOMPARE(GridRows(), 2);
        QCOMPARE(Urls().size(), 1);
        QCOMPARE(folder_->Read("B/recordslist"), list);
        QCOMPARE(folder_->Read("B/recordsurlist"), urls);
    };
    {
        const QDateTime later = InSeconds(7200);
        refused(later, later, kLengthRefused);
        refused(later, later.addSecs(-1), kLengthRefused);
        // The length is checked first: a past start with no length gets its message.
        refused(InSeconds(-600), InSeconds(-600), kLengthRefused);
    }
    {
        // Started a second ago, or in this very second (a tick in between is earlier still).
        refused(InSeconds(-1), InSeconds(60), kStartRefused);
        refused(InSeconds(0), InSeconds(60), kStartRefused);
    }
    {
        // The existing entry's bounds belong to it.
        refused(start.addSecs(3600), start.addSecs(7200), kOverlapRefused);
        refused(start.addSecs(-600), start, kOverlapRefused);
        refused(start.addSecs(-60), start.addSecs(7200), kOverlapRefused);
        // Both log lines, the overlap refusal being the last of the three rules; then
        // the box's two lines, logged as it appears.
        const QStringList log = Find<QPlainTextEdit>("Memo1")->toPlainText().split('\n');
        QVERIFY(log[log.size() - 4].startsWith("--Nombre de secondes de différence entre le "
                                               "début et la fin: "));
        QVERIFY(log[log.size() - 3].startsWith("--Nombre de secondes de différence entre la "
                                               "date du début et maintenant: "));
        QCOMPARE(log.last(), QString("Merci de corriger les dates et heurs (début/fin)."));
    }
    messages_->clear();
    Program(start.addSecs(3601), start.addSecs(7200));
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
    QCOMPARE(GridRows(), 3);
}

void ScheduleWindowTest::typedChannelNameGivesAnEmptyUrlLine() {
    window_ = MakeWindow();
    QLineEdit* edit = Find<QComboBox>("ComboBox2")->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, "Ma chaine");
    const QDateTime start = InSeconds(900);
    Program(start, start.addSecs(120));

    QCOMPARE(Cell(0, 0), QString("Ma chaine"));
    QCOMPARE(Urls(), QStringList{QString()});
    QCOMPARE(folder_->Read("B/recordsurlist"), QByteArray("\r\n"));
    QVERIFY(folder_->Read("B/recordslist").startsWith("7\r\n3\r\nMa chaine\r\n"));
}

void ScheduleWindowTest::deletingTheMiddleEntrySelectsTheFormerThird() {
    window_ = MakeWindow();
    const QDateTime start = InSeconds(600);
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            QTest::keyClick(Find<QComboBox>("ComboBox2"), Qt::Key_Down);
        }
        Program(start.addSecs(600 * i), start.addSecs(600 * i + 300));
    }
    QCOMPARE(GridRows(), 4);
    QCOMPARE(Urls(), (QStringList{"rtp://@232.0.1.1:8200", "rtp://@232.0.1.2:8200",
                                  "rtp://@232.0.1.3:8200"}));

    ClickGridRow(1);
    QTest::mouseClick(Find<QPushButton>("Button11"), Qt::LeftButton);
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
    QCOMPARE(GridRows(), 3);
    QCOMPARE(Cell(0, 0), QString("TF1"));
    QCOMPARE(Cell(1, 0), QString("France 3"));
    QCOMPARE(grid()->selectionModel()->selectedRows().value(0).row(), 1);
    QCOMPARE(window_->schedule().Table().SelectedRow(), 2);
    QCOMPARE(Urls(), (QStringList{"rtp://@232.0.1.1:8200", "rtp://@232.0.1.3:8200"}));
    const QByteArray twoEntries = "7\r\n4\r\n" + EntryLines("TF1", start, start.addSecs(300)) +
                                  EntryLines("France 3", start.addSecs(1200), start.addSecs(1500)) +
                                  "\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
    QCOMPARE(folder_->Read("B/recordslist"), twoEntries);
    QCOMPARE(folder_->Read("B/recordsurlist"),
             QByteArray("rtp://@232.0.1.1:8200\r\nrtp://@232.0.1.3:8200\r\n"));

    // The input row selected: nothing happens, nothing is said.
    ClickGridRow(2);
    QTest::mouseClick(Find<QPushButton>("Button11"), Qt::LeftButton);
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
    QCOMPARE(GridRows(), 3);
    QCOMPARE(Urls().size(), 2);
    QCOMPARE(folder_->Read("B/recordslist"), twoEntries);
}

void ScheduleWindowTest::runningEntryCannotBeDeletedButClearingRemovesIt() {
    // The window was closed while this recording ran, and its slot is over:
    // nothing records it, so it comes back "Incomplet".
    const QDateTime start = InSeconds(-900);
    const QDateTime later = InSeconds(3600);
    folder_->Write("B/recordslist",
                   "7\r\n4\r\n" + EntryLines("TF1", start, start.addSecs(600), "Enregistrement..") +
                       EntryLines("France 2", later, later.addSecs(60)) +
                       "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    folder_->Write("B/recordsurlist", "rtp://@232.0.1.1:8200\r\nrtp://@232.0.1.2:8200\r\n");
    window_ = MakeWindow();
    QCOMPARE(GridRows(), 3);
    QCOMPARE(Cell(0, 5), QString("Incomplet"));
    QVERIFY(folder_->Read("B/recordslist").contains("Incomplet"));

    window_->schedule().Table().SetStatus(1, "Enregistrement..");
    QCOMPARE(Cell(0, 5), QString("Enregistrement.."));
    const QByteArray list = folder_->Read("B/recordslist");
    ClickGridRow(0);
    QTest::mouseClick(Find<QPushButton>("Button11"), Qt::LeftButton);
    QCOMPARE(messages_->texts(),
             std::vector<std::string>{"L'enregistrement sélectionné est en cours, il ne peut être "
                                      "arrêté!"});
    QCOMPARE(GridRows(), 3);
    QCOMPARE(Urls().size(), 2);
    QCOMPARE(folder_->Read("B/recordslist"), list);

    // Clearing asks first; "Non" keeps everything.
    messages_->clear();
    messages_->answer = false;
    QTest::mouseClick(Find<QPushButton>("Button12"), Qt::LeftButton);
    QCOMPARE(messages_->questions().size(), std::size_t{1});
    QVERIFY(messages_->questions()[0].starts_with("Vider tous les enregistrements ?"));
    QCOMPARE(GridRows(), 3);
    QCOMPARE(window_->schedule().Table().Cell(1, 5), std::string("Enregistrement.."));
    QCOMPARE(folder_->Read("B/recordslist"), list);

    messages_->clear();
    messages_->answer = true;
    QTest::mouseClick(Find<QPushButton>("Button12"), Qt::LeftButton);
    QCOMPARE(messages_->questions().size(), std::size_t{1});
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
    QCOMPARE(GridRows(), 1);
    QCOMPARE(GridRow(0), QStringList(7, QString()));
    QCOMPARE(Urls(), QStringList{});
    QCOMPARE(folder_->Read("B/recordslist"), kEmptyRecordsList);
    QCOMPARE(folder_->Read("B/recordsurlist"), QByteArray());

    // Clearing an empty schedule leaves it as it is, and asks nothing.
    messages_->clear();
    QTest::mouseClick(Find<QPushButton>("Button12"), Qt::LeftButton);
    QCOMPARE(messages_->questions().size(), std::size_t{0});
    QCOMPARE(GridRows(), 1);
    QCOMPARE(folder_->Read("B/recordslist"), kEmptyRecordsList);

    // But it asks when it would stop record now; "Non" lets it record on.
    window_->recorder().RecordNow("rtp://@232.0.1.1:8200",
                                  "H264 (320x240) idéal pour minimiser "
                                  "le stockage",
                                  folder_->Path() + "now.avi");
    messages_->answer = false;
    QTest::mouseClick(Find<QPushButton>("Button12"), Qt::LeftButton);
    QCOMPARE(messages_->questions().size(), std::size_t{1});
    QVERIFY(window_->recorder().CanStopRecordNow());
    QVERIFY(window_->recorder().RecordNowRecording()->StoppedBy() == kalore::StopReason::None);
    messages_->answer = true;
    QTest::mouseClick(Find<QPushButton>("Button12"), Qt::LeftButton);
    QCOMPARE(messages_->questions().size(), std::size_t{2});
    QVERIFY(window_->recorder().RecordNowRecording()->StoppedBy() == kalore::StopReason::User);
}

void ScheduleWindowTest::entriesComeBackAfterTheWindowIsDestroyedWithoutClosing() {
    window_ = MakeWindow();
    const QDateTime start = InSeconds(1800);
    Program(start, start.addSecs(60));
    PickChannel(2);
    Program(start.addSecs(120), start.addSecs(180));
    const QStringList first = GridRow(0);
    const QStringList second = GridRow(1);
    const QStringList urls = Urls();
    // No close sequence: what is on disk was saved at each change.
    window_.reset();

    window_ = MakeWindow();
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
    QCOMPARE(GridRows(), 3);
    QCOMPARE(GridRow(0), first);
    QCOMPARE(GridRow(1), second);
    QCOMPARE(Urls(), urls);
    QCOMPARE(Cell(1, 0), QString("France 3"));
}

void ScheduleWindowTest::damagedScheduleIsKeptAsideAndReported() {
    const QByteArray damaged = "7\r\nsept\r\nTF1\r\n";
    folder_->Write("B/recordslist", damaged);
    folder_->Write("B/recordsurlist", "rtp://@232.0.1.1:8200\r\n");
    window_ = MakeWindow();

    const std::vector<std::string> shown = messages_->texts();
    QCOMPARE(shown.size(), std::size_t(2));
    const std::string listPath = folder_->Path() + "B/recordslist";
    QVERIFY2(shown[0].starts_with("Le fichier du planning " + listPath + " est illisible ("),
             shown[0].c_str());
    QVERIFY(shown[0].find("Saisie numérique incorrecte") != std::string::npos);
    const std::string keptAt = "\rUne copie a été gardée : ";
    const std::size_t at = shown[0].find(keptAt);
    QVERIFY(at != std::string::npos);
    const QString copy = QString::fromStdString(shown[0].substr(at + keptAt.size()));
    QVERIFY(copy.startsWith(QString::fromStdString(listPath) + ".damaged-"));
    QCOMPARE(shown[1], std::string("Erreur d'initialisation oncreate Kalore!!"));
    QCOMPARE(GridRows(), 1);

    // The next change writes the schedule over the damaged file; the copy stays.
    const QDateTime start = InSeconds(600);
    Program(start, start.addSecs(60));
    QVERIFY(folder_->Read("B/recordslist").startsWith("7\r\n3\r\nTF1\r\n"));
    QFile kept(copy);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), damaged);
}

void ScheduleWindowTest::newRowsAreScrolledToAndShowTheirProgrammeTitle() {
    window_ = MakeWindow();
    const QDateTime start = InSeconds(3600);
    for (int i = 0; i < 12; ++i) {
        Program(start.addSecs(i * 120), start.addSecs(i * 120 + 60));
    }
    QCOMPARE(GridRows(), 13);
    QTableView* view = grid();
    const QRect last = view->visualRect(view->model()->index(11, 0));
    QVERIFY(view->viewport()->rect().contains(last));

    // A programme from the guide shows its title over its row; the files don't keep it.
    kalore::ScheduleEntryRequest request;
    request.startDate = DateText(start.addSecs(7200)).toStdString();
    request.startTime = TimeText(start.addSecs(7200)).toStdString();
    request.endDate = DateText(start.addSecs(7260)).toStdString();
    request.endTime = TimeText(start.addSecs(7260)).toStdString();
    request.channel = "TF1";
    request.url = "rtp://@232.0.1.1:8200";
    request.format = kFirstFormat.toStdString();
    request.title = "Journal de 20h";
    window_->AddScheduleEntry(request);
    QCOMPARE(view->model()->index(12, 0).data(Qt::ToolTipRole).toString(),
             QString("Journal de 20h"));
    QCOMPARE(view->model()->index(12, 7).data().toString(), QString("Journal de 20h"));
    QVERIFY(!view->model()->index(11, 0).data(Qt::ToolTipRole).isValid());
    const QByteArray after = folder_->Read("B/recordslist");
    QVERIFY(!after.contains("Journal"));
    QVERIFY(after.contains(EntryLines("TF1", start.addSecs(7200), start.addSecs(7260))));
    QVERIFY(view->viewport()->rect().contains(view->visualRect(view->model()->index(12, 0))));
}

void ScheduleWindowTest::aFolderThatCantBeOpenedSaysWhereItIs() {
    window_ = MakeWindow();
    // No program on the path can open a folder.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(folder_->Path() + "B"));
    QTest::mouseClick(Find<QPushButton>("Button13"), Qt::LeftButton);
    qputenv("PATH", path);
    QCOMPARE(messages_->texts().size(), std::size_t{1});
    QVERIFY(
        messages_->texts()[0].starts_with("Aucun gestionnaire de fichiers n'a pu être ouvert."));
    QVERIFY(messages_->texts()[0].ends_with("RECORDS"));
}

void ScheduleWindowTest::rowsShowInStartOrderAndTimesTakeWhatIsTyped() {
    window_ = MakeWindow();
    const QDateTime late = InSeconds(7200);
    const QDateTime early = InSeconds(3600);
    Program(late, late.addSecs(60));
    PickChannel(1);
    Program(early, early.addSecs(60));
    // Shown by start; the files keep them as they were added.
    QCOMPARE(Cell(0, 0), QString("France 2"));
    QCOMPARE(Cell(1, 0), QString("TF1"));
    QVERIFY(folder_->Read("B/recordslist").startsWith("7\r\n4\r\nTF1\r\n"));
    QCOMPARE(Urls(), (QStringList{"rtp://@232.0.1.1:8200", "rtp://@232.0.1.2:8200"}));
    // The row clicked is the one deleted.
    ClickGridRow(0);
    QTest::mouseClick(Find<QPushButton>("Button11"), Qt::LeftButton);
    QCOMPARE(GridRows(), 2);
    QCOMPARE(Cell(0, 0), QString("TF1"));
    QCOMPARE(Urls(), QStringList{"rtp://@232.0.1.1:8200"});

    // A time typed whole over a selected one, whichever part of it was selected.
    auto* start = Find<QTimeEdit>("DateTimePicker1");
    const struct {
        const char* typed;
        QTime time;
    } typings[] = {{"09:15:00", QTime(9, 15)},
                   {"930", QTime(9, 30)},
                   {"2:3:4", QTime(2, 3, 4)},
                   {"2359", QTime(23, 59)}};
    for (const auto& typing : typings) {
        start->setTime(QTime(7, 28));
        start->setFocus();
        start->setCurrentSection(QDateTimeEdit::MinuteSection);
        QTest::keyClicks(start, typing.typed);
        QCOMPARE(start->time(), typing.time);
        Find<QTimeEdit>("DateTimePicker2")->setFocus();
    }
    // The arrows still step the section.
    start->setFocus();
    start->setCurrentSection(QDateTimeEdit::HourSection);
    QTest::keyClick(start, Qt::Key_Down);
    QCOMPARE(start->time(), QTime(22, 59));
}

QTEST_MAIN(ScheduleWindowTest)
#include "schedule_window_test.moc"
