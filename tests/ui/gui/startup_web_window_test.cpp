// What the user sees of the start-up web queries, and what they leave on disk: the
// new-version message, the provider in the caption and the settings, the answer in
// the log and in "ipGlobal", the channel box filled from the set-top box's playlist,
// and every way the maker's site or the box can fail.
#include <array>

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <poll.h>

#include "gui/message_box.h"
#include "gui/program_info.h"
#include "schedule/schedule.h"
#include "support/loopback_servers.h"
#include "window_fixture.h"

using kalore::TForm1;
using kalore::testing::LoopbackWeb;
using kalore::testing::ProgramFolder;
using kalore::testing::RawTestServer;
using kalore::testing::WorkingDirectory;

namespace {

constexpr const char* kOrangeList = "1,TF1\r\nrtp://@232.0.1.1:8200\r\n"
                                    "2,France 2\r\nrtp://@232.0.1.2:8200\r\n";
const QStringList kOrangeNames{"TF1", "France 2"};

// Shaped like the set-top box's own: player options on some entries.
constexpr const char* kFreePlaylist =
    "#EXTM3U\n"
    "#EXTINF:0,2 - France 2 (HD)\n"
    "#EXTVLCOPT:network-caching=1000\n"
    "rtsp://127.0.0.1/fbxtv_pub/stream?namespace=1&service=201&flavour=hd\n"
    "#EXTINF:0,3 - France 3 (standard)\n"
    "rtsp://127.0.0.1/fbxtv_pub/stream?namespace=1&service=202&flavour=sd\n"
    "#EXTINF:0,99 - Канал\n"
    "#EXTVLCOPT:deinterlace=1\n"
    "rtsp://127.0.0.1/fbxtv_pub/stream?namespace=1&service=999\n";
const QStringList kFreeNames{"2 - France 2 (HD)", "3 - France 3 (standard)", "99 - ?????"};
const QStringList kFreeAddresses{
    "rtsp://127.0.0.1/fbxtv_pub/stream?namespace=1&service=201&flavour=hd",
    "rtsp://127.0.0.1/fbxtv_pub/stream?namespace=1&service=202&flavour=sd",
    "rtsp://127.0.0.1/fbxtv_pub/stream?namespace=1&service=999"};
// A list kept from an earlier start.
constexpr const char* kLastGoodList = "#EXTM3U\n#EXTINF:0,1 - Ancienne\nrtsp://127.0.0.1/old\n";

constexpr const char* kFreeAnswer = "78-1-2-3.fbx.proxad.net\n";
const std::string kNeither = "Votre fournisseur ADSL n'est ni ORANGE ni FREE\rKalore n'inclura "
                             "donc pas vos chaînes ADSL pour le moment!\rKalore peut inclure "
                             "d'autres chaînes!";
const std::string kAaa03 = "Unknown error AAA03 : ";

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items << box->itemText(i);
    }
    return items;
}

// What a misbehaving server on loopback does with each connection: with an answer,
// sends those bytes after the request, then closes; without one, answers nothing,
// so the client waits for an answer that never comes.
kalore::testing::RawTestServer::Handler Answering(std::string answer) {
    return [answer = std::move(answer)](int connection, int stopSignal) {
        kalore::testing::ReadRequestHead(connection);
        if (answer.empty()) {
            kalore::testing::WaitForHangUp(connection, stopSignal);
        } else {
            kalore::testing::SendAll(connection, answer);
        }
    };
}

} // namespace

class StartupWebWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void versionCheck_data();
    void versionCheck();
    void providerRecognition_data();
    void providerRecognition();
    void freePlaylistFillsTheChannelBox();
    void playlistIsFollowedThroughARedirect();
    void failedPlaylistKeepsTheLastGoodList_data();
    void failedPlaylistKeepsTheLastGoodList();
    void failedFirstPlaylistLeavesAnEmptyList();
    void failingSiteGivesOrange_data();
    void failingSiteGivesOrange();
    void unwritableWorkingDirectory();
    void uncreatableFreeListEndsTheGuardedSetUp();
    void hostileServersCantHoldTheStartUp();
    void unansweredBoxesHoldNeitherTheSetUpNorTheTrigger();

private:
    // The site on the loopback fixture, the box wherever the test puts it.
    void PointBoxAt(const std::string& box) { PointAt(web_.Url(), box); }
    void PointAt(const std::string& site, const std::string& box);
    void Start(std::chrono::milliseconds timeouts = std::chrono::milliseconds(100000));
    void ExpectProvider(const char* word, const QStringList& names);
    QStringList Log() const { return Find<QPlainTextEdit>("Memo1")->toPlainText().split('\n'); }
    // The line the provider detection logged: the one before the program folder's.
    QString AnswerLine() const {
        const QStringList log = Log();
        const int folderLine = log.indexOf("**" + QString::fromStdString(folder_->Path()) + "**");
        return folderLine > 0 ? log[folderLine - 1] : "(no such line)";
    }
    QByteArray FreeList() const { return folder_->Read("B/listeTVFreeforKalore.txt"); }
    template <typename T> T* Find(const char* name) const {
        return kalore::testing::FindControl<T>(*window_, name);
    }

    LoopbackWeb web_;
    std::unique_ptr<WorkingDirectory> cwd_;
    std::unique_ptr<ProgramFolder> folder_;
    std::unique_ptr<kalore::MessageBoxCapture> messages_;
    std::unique_ptr<TForm1> window_;
};

void StartupWebWindowTest::init() {
    window_.reset();
    cwd_.reset(); // back in the first folder before the next one is entered
    web_.version = "11";
    web_.address = "lns-bzn-1-82.abo.wanadoo.fr\n";
    web_.playlist = kFreePlaylist;
    cwd_ = std::make_unique<WorkingDirectory>();
    folder_ = std::make_unique<ProgramFolder>(web_);
    folder_->Write("B/listeTVforKalore.txt", kOrangeList);
    messages_.reset(); // captures stack: the last test's goes before the next one
    messages_ = std::make_unique<kalore::MessageBoxCapture>();
}

void StartupWebWindowTest::PointAt(const std::string& site, const std::string& box) {
    folder_->Write("B/kalore.ini", ProgramFolder::DefaultSettings() +
                                       "[Web]\r\nsite=" + QByteArray::fromStdString(site) +
                                       "\r\nbox=" + QByteArray::fromStdString(box) + "\r\n");
}

void StartupWebWindowTest::Start(std::chrono::milliseconds timeouts) {
    kalore::MainWindowOptions options = folder_->Options();
    options.webTimeouts = {timeouts, timeouts};
    window_ = std::make_unique<TForm1>(options);
}

void StartupWebWindowTest::ExpectProvider(const char* word, const QStringList& names) {
    const QString suffix =
        QString(word) == "FREE" ? " [Votre ISP : Free]" : " [Votre ISP : Orange]";
    QCOMPARE(window_->windowTitle(),
             QString::fromStdString(kalore::MainCaption(kalore::WebConfig{}.makerAddress)) +
                 suffix);
    QVERIFY(
        folder_->Read("B/kalore.ini").contains(QByteArray("internetProvider=") + word + "\r\n"));
    auto* box = Find<QComboBox>("ComboBox2");
    QCOMPARE(Items(box), names);
    QCOMPARE(box->currentText(), names.value(0));
}

void StartupWebWindowTest::versionCheck_data() {
    QTest::addColumn<QString>("published");
    QTest::addColumn<bool>("told");
    QTest::newRow("same version") << "11" << false;
    QTest::newRow("newer") << "12" << true;
    QTest::newRow("newer among blanks") << " 12\r\n" << true;
    QTest::newRow("not a number") << "abc" << false;
}

void StartupWebWindowTest::versionCheck() {
    QFETCH(QString, published);
    QFETCH(bool, told);
    web_.version = published.toStdString();
    Start();
    std::vector<std::string> expected;
    if (told) {
        expected.push_back("Une nouvelle version du logicielle est disponible.\r\rMerci "
                           "d'installer la dernière version pour plus de fonctionalités, de "
                           "stabilité et sans erreurs.\r\rTélécharger la dernière version sur : " +
                           kalore::WebConfig{}.makerAddress);
    }
    QCOMPARE(messages_->texts(), expected);
    // Whatever the answer, the rest of the set-up ran.
    ExpectProvider("ORANGE", kOrangeNames);
}

void StartupWebWindowTest::providerRecognition_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("provider");
    QTest::addColumn<bool>("neither");
    QTest::newRow("Free") << kFreeAnswer << "FREE" << false;
    QTest::newRow("Orange") << "lns-bzn-1-82.abo.wanadoo.fr\n"
                            << "ORANGE" << false;
    QTest::newRow("both: Orange wins") << "a.proxad.net.abo.wanadoo.fr\n"
                                       << "ORANGE" << false;
    QTest::newRow("neither") << "host-1.example.net\n"
                             << "ORANGE" << true;
    QTest::newRow("Free in capitals") << "78-1-2-3.FBX.PROXAD.NET\n"
                                      << "ORANGE" << true;
    QTest::newRow("Orange in capitals") << "LNS-BZN-1-82.ABO.WANADOO.FR\n"
                                        << "ORANGE" << true;
    QTest::newRow("Free inside a longer name") << "a.proxad.network.example\n"
                                               << "FREE" << false;
}

void StartupWebWindowTest::providerRecognition() {
    QFETCH(QString, answer);
    QFETCH(QString, provider);
    QFETCH(bool, neither);
    web_.address = answer.toStdString();
    Start();
    QCOMPARE(messages_->texts(),
             neither ? std::vector<std::string>{kNeither} : std::vector<std::string>{});
    ExpectProvider(provider.toLatin1().constData(), provider == "FREE" ? kFreeNames : kOrangeNames);
    QVERIFY(Log().contains(answer.trimmed()));
    QFile ipGlobal(cwd_->File("ipGlobal"));
    QVERIFY(ipGlobal.open(QIODevice::ReadOnly));
    QCOMPARE(ipGlobal.readAll(), answer.toUtf8());
    QVERIFY(!QFile::exists(folder_->File("ipGlobal")));
}

void StartupWebWindowTest::freePlaylistFillsTheChannelBox() {
    folder_->Write("B/listeTVFreeforKalore.txt", kLastGoodList);
    web_.address = kFreeAnswer;
    Start();
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
    ExpectProvider("FREE", kFreeNames);
    QCOMPARE(Items(Find<QComboBox>("ComboBox3")), kFreeAddresses);
    QCOMPARE(FreeList(), QByteArray(kFreePlaylist));
    // Beside the list of recordings, with its journal while Kalore runs.
    QStringList files = QDir(folder_->File("B"))
                            .entryList(QDir::Files)
                            .filter(QRegularExpression("^(?!recordings)"));
    files.sort();
    QCOMPARE(files,
             (QStringList{"kalore.ini", "listeTVFreeforKalore.txt", "listeTVforKalore.txt"}));
}

void StartupWebWindowTest::playlistIsFollowedThroughARedirect() {
    {
        kalore::testing::HttpTestServer box([](httplib::Server& routes) {
            routes.Get("/freeboxtv/playlist.m3u",
                       [](const httplib::Request&, httplib::Response& r) {
                           r.set_redirect("/elsewhere/playlist.m3u");
                       });
            routes.Get("/elsewhere/playlist.m3u",
                       [](const httplib::Request&, httplib::Response& r) {
                           r.set_content(kFreePlaylist, "audio/x-mpegurl");
                       });
        });
        web_.address = kFreeAnswer;
        PointBoxAt(box.Url());
        Start();
    }
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
    ExpectProvider("FREE", kFreeNames);
    QCOMPARE(FreeList(), QByteArray(kFreePlaylist));
}

void StartupWebWindowTest::failedPlaylistKeepsTheLastGoodList_data() {
    QTest::addColumn<QString>("answer"); // of the box; empty: it never answers
    QTest::addColumn<QString>("error");  // in the message
    QTest::newRow("404") << "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"
                         << "404";
    QTest::newRow("cut off mid-transfer")
        << QString("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n") + kFreePlaylist
        << "transfer closed";
    QTest::newRow("never answers") << QString() << "Read timed out";
}

void StartupWebWindowTest::failedPlaylistKeepsTheLastGoodList() {
    QFETCH(QString, answer);
    QFETCH(QString, error);
    RawTestServer box(Answering(answer.toStdString()));
    folder_->Write("B/listeTVFreeforKalore.txt", kLastGoodList);
    web_.address = kFreeAnswer;
    PointBoxAt(box.Url());
    Start(std::chrono::milliseconds(300));
    QCOMPARE(messages_->texts().size(), std::size_t(1));
    const std::string& shown = messages_->texts()[0];
    QVERIFY2(shown.starts_with(kAaa03) && shown.find(error.toStdString()) != std::string::npos,
             shown.c_str());
    ExpectProvider("FREE", {"1 - Ancienne"});
    QCOMPARE(FreeList(), QByteArray(kLastGoodList));
    QVERIFY(!QFile::exists(folder_->File("B/listeTVFreeforKalore.txt.tmp")));
}

void StartupWebWindowTest::failedFirstPlaylistLeavesAnEmptyList() {
    RawTestServer box(Answering("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"));
    web_.address = kFreeAnswer;
    PointBoxAt(box.Url());
    Start();
    QCOMPARE(messages_->texts().size(), std::size_t(1));
    QVERIFY(messages_->texts()[0].starts_with(kAaa03));
    ExpectProvider("FREE", {});
    QVERIFY(QFile::exists(folder_->File("B/listeTVFreeforKalore.txt")));
    QCOMPARE(FreeList(), QByteArray());
}

void StartupWebWindowTest::failingSiteGivesOrange_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("404") << "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
    QTest::newRow("never answers") << QString();
}

void StartupWebWindowTest::failingSiteGivesOrange() {
    QFETCH(QString, answer);
    RawTestServer site(Answering(answer.toStdString()));
    PointAt(site.Url(), web_.Url());
    Start(std::chrono::milliseconds(300));
    // The version check fails silently; the address query is told, then "neither".
    QCOMPARE(messages_->texts().size(), std::size_t(2));
    QVERIFY2(messages_->texts()[0].starts_with(kAaa03), messages_->texts()[0].c_str());
    QCOMPARE(messages_->texts()[1], kNeither);
    ExpectProvider("ORANGE", kOrangeNames);
    // An empty answer is an empty first line of the log, not lost under the next one.
    QCOMPARE(AnswerLine(), QString());
    QFile ipGlobal(cwd_->File("ipGlobal"));
    QVERIFY(ipGlobal.open(QIODevice::ReadOnly));
    QCOMPARE(ipGlobal.size(), 0);
}

void StartupWebWindowTest::unwritableWorkingDirectory() {
    // Removed while it is the working directory: nothing can be created in it,
    // whoever runs the test (permission bits don't stop root).
    QVERIFY(QDir(cwd_->Path()).removeRecursively());
    Start();
    QCOMPARE(messages_->texts(),
             (std::vector<std::string>{"Erreur de connexion Internet au départ", kNeither}));
    ExpectProvider("ORANGE", kOrangeNames);
    // An empty answer is an empty first line of the log, not lost under the next one.
    QCOMPARE(AnswerLine(), QString());
    QVERIFY(!QFile::exists(folder_->File("ipGlobal")));
}

void StartupWebWindowTest::uncreatableFreeListEndsTheGuardedSetUp() {
    QVERIFY(QDir(folder_->File("B")).mkdir("listeTVFreeforKalore.txt"));
    web_.address = kFreeAnswer;
    Start();
    QCOMPARE(messages_->texts(),
             std::vector<std::string>{"Erreur d'initialisation oncreate Kalore!!"});
    QVERIFY(window_->windowTitle().endsWith(" [Votre ISP : Free]"));
    QCOMPARE(Find<QComboBox>("ComboBox2")->count(), 0);
    // The settings are saved later in the block, so they keep the old provider.
    QVERIFY(folder_->Read("B/kalore.ini").contains("internetProvider=\r\n"));
    // The set-up went on after the block.
    QVERIFY(Log().contains("**" + QString::fromStdString(folder_->Path()) + "**"));
    QVERIFY(!QFile::exists(folder_->File("B/listeTVFreeforKalore.txt.tmp")));
}

void StartupWebWindowTest::hostileServersCantHoldTheStartUp() {
    // The site accepts the version query and never answers it, and answers Free to the
    // address query; the box sends its playlist a byte now and then, so the read
    // time-out never runs out.
    RawTestServer site([](int connection, int stop) {
        if (kalore::testing::ReadRequestHead(connection).starts_with("GET /kaloregip.php")) {
            kalore::testing::SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: 24\r\n\r\n" +
                                                     std::string(kFreeAnswer));
            return;
        }
        kalore::testing::WaitForHangUp(connection, stop);
    });
    RawTestServer box([](int connection, int stop) {
        kalore::testing::ReadRequestHead(connection);
        kalore::testing::SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: 9999\r\n\r\n");
        while (::poll(std::array<pollfd, 1>{{{stop, POLLIN, 0}}}.data(), 1, 100) == 0) {
            kalore::testing::SendAll(connection, "#");
        }
    });
    PointAt(site.Url(), box.Url());
    folder_->Write("B/listeTVFreeforKalore.txt", kLastGoodList);
    const QDateTime start = QDateTime::currentDateTime().addSecs(3600);
    folder_->Write("B/recordslist",
                   "7\r\n3\r\nTF1\r\n" + start.toString("dd/MM/yyyy\r\nHH:mm:ss").toUtf8() +
                       "\r\n" + start.addSecs(60).toString("dd/MM/yyyy\r\nHH:mm:ss").toUtf8() +
                       "\r\nProgramm\xE9\r\nH264\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    folder_->Write("B/recordsurlist", "rtp://@232.0.1.1:8200\r\n");

    kalore::MainWindowOptions options = folder_->Options();
    using namespace std::chrono_literals;
    options.webTimeouts = {.answer = 1000ms, .playlist = 5000ms, .startUp = 2000ms};
    // The window's event loop keeps running while the set-up waits.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(20);
    QElapsedTimer clock;
    clock.start();
    window_ = std::make_unique<TForm1>(options);
    const qint64 elapsed = clock.elapsed();

    QVERIFY2(elapsed < 20000, QByteArray::number(elapsed));
    QVERIFY(ticks > 10);
    // The playlist got what was left of the start-up's time, then the last good list stayed.
    QCOMPARE(messages_->texts().size(), std::size_t(1));
    QVERIFY2(messages_->texts()[0].starts_with(kAaa03 + "Operation timed out"),
             messages_->texts()[0].c_str());
    ExpectProvider("FREE", {"1 - Ancienne"});
    QVERIFY(window_->findChild<QTimer*>("Timer1")->isActive());
    // The search comes first, before any request; then the answer and the folder, in
    // the set-up's order.
    const QStringList log = Log();
    const int folderLine = log.indexOf("**" + QString::fromStdString(folder_->Path()) + "**");
    const int answerLine = log.indexOf(QString(kFreeAnswer).trimmed());
    QVERIFY(answerLine > 0 && answerLine < folderLine);
    QCOMPARE(log.indexOf(QRegularExpression("^\\${64}$")), 0);
}

// Nobody is there to click (Kalore starts at login): the new-version box stays up
// while the set-up goes on, so the reading time costs the web queries nothing, the
// Free line is still recognised and the trigger is armed under the box.
void StartupWebWindowTest::unansweredBoxesHoldNeitherTheSetUpNorTheTrigger() {
    messages_.reset(); // real boxes, that nobody answers
    web_.version = "12";
    web_.address = kFreeAnswer;
    const QDateTime start = QDateTime::currentDateTime().addSecs(3600);
    const QDateTime end = start.addSecs(600);
    folder_->Write("B/recordslist", "7\r\n3\r\nTF1\r\n" +
                                        start.toString("dd/MM/yyyy\r\nHH:mm:ss").toLatin1() +
                                        "\r\n" + end.toString("dd/MM/yyyy\r\nHH:mm:ss").toLatin1() +
                                        "\r\nProgramm\xE9\r\nH264\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    folder_->Write("B/recordsurlist", "rtp://@232.0.1.1:8200\r\n");
    Start();
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
            boxes.append(box);
        }
    }
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0]->text().startsWith("Une nouvelle version du logicielle est disponible."));
    QCOMPARE(boxes[0]->windowModality(), Qt::NonModal);
    ExpectProvider("FREE", kFreeNames);
    QVERIFY(window_->schedule().Trigger().IsArmed());
    QCOMPARE(window_->schedule().Trigger().Pending().Channel, std::string("TF1"));
    boxes[0]->close(); // answered at last
    window_.reset();
}

QTEST_MAIN(StartupWebWindowTest)
#include "startup_web_window_test.moc"
