// The TV guide as the user drives it: a guide served gzipped over loopback HTTP,
// now and next in the main window, the "Guide TV" window, and programming from it
// through the main window's own rules, with the schedule files checked on disk.
#include <QBuffer>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>

#include "gui/channel_logos.h"
#include "gui/focus_ring.h"
#include "gui/guide_grid_page.h"
#include "gui/guide_grid_view.h"
#include "gui/guide_models.h"
#include "gui/guide_window.h"
#include "gui/message_box.h"
#include "guide/guide.h"
#include "platform/code_page.h"
#include "support/xmltv_sample.h"
#include "window_fixture.h"

using kalore::TForm1;
using kalore::testing::Consecutive;
using kalore::testing::LoopbackWeb;
using kalore::testing::ProgramFolder;
using kalore::testing::SampleProgramme;
using kalore::testing::WorkingDirectory;

namespace {

constexpr const char* kOrangeList = "1,TF1\r\nrtp://@232.0.1.1:8200\r\n"
                                    "2,France 2\r\nrtp://@232.0.1.2:8200\r\n";
const QString kFirstFormat = QStringLiteral("H264 (320x240) idéal pour minimiser le stockage");
const QString kSeries = QStringLiteral("Les Feux de l'Été");

// Whole minutes from now, as guides give times.
qint64 MinutesFromNow(int minutes) {
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    return now - now % 60 + minutes * 60;
}

QByteArray Win1252(const QString& text) {
    return QByteArray::fromStdString(kalore::Utf8ToWin1252(text.toStdString()));
}

// The schedule file's lines of an entry, from its padded instants.
QByteArray EntryLines(const QString& channel, qint64 start, qint64 stop) {
    const QDateTime from = QDateTime::fromSecsSinceEpoch(start);
    const QDateTime to = QDateTime::fromSecsSinceEpoch(stop);
    const QStringList cells{channel,
                            from.toString("dd/MM/yyyy"),
                            from.toString("HH:mm:ss"),
                            to.toString("dd/MM/yyyy"),
                            to.toString("HH:mm:ss"),
                            QStringLiteral("Programmé"),
                            kFirstFormat};
    return Win1252(cells.join("\r\n") + "\r\n");
}

const QColor kLogoColour(0xff, 0x00, 0xff);

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray MagentaPng() {
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(kLogoColour);
    return Png(image);
}

// A whole picture with sides past what a logo may have: a few kilobytes on the
// wire, far more once unpacked in a deeper format.
QByteArray OutsizedPng() {
    QImage image(kalore::ChannelLogos::kMaxSide + 1, 600, QImage::Format_Mono);
    image.fill(0);
    return Png(image);
}

} // namespace

class GuideWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void nowAndNextShowInTheMainWindow();
    void programmingFromTheGuideGoesThroughTheScheduleRules();
    void withoutASourceTheButtonSaysHowToSetOne();
    void theKeysReachTheActionsTheGuideAndItsResults();
    void theGridPlacesProgrammesAndADoubleClickProgramsOne();
    void logosShowWhereTheyCanAndNamesShowAlways();

private:
    std::unique_ptr<TForm1> MakeWindow(const QByteArray& guideSection);
    kalore::GuideWindow* OpenGuide();
    void SearchAndPick(const QString& text, int row);
    template <typename T> T* Find(const QWidget& in, const char* name) const {
        return kalore::testing::FindControl<T>(in, name);
    }

    LoopbackWeb web_;
    std::string guide_;
    kalore::testing::HttpTestServer guideServer_{[this](httplib::Server& routes) {
        routes.Get("/fr.xml.gz", [this](const httplib::Request&, httplib::Response& r) {
            r.set_content(kalore::testing::Gzip(guide_), "application/gzip");
        });
        routes.Get("/logos/tf1.png", [](const httplib::Request&, httplib::Response& r) {
            r.set_content(MagentaPng().toStdString(), "image/png");
        });
        routes.Get("/logos/france2.png", [](const httplib::Request&, httplib::Response& r) {
            r.set_content(OutsizedPng().toStdString(), "image/png");
        });
    }};
    std::unique_ptr<WorkingDirectory> cwd_;
    std::unique_ptr<ProgramFolder> folder_;
    std::unique_ptr<kalore::MessageBoxCapture> messages_;
    std::unique_ptr<TForm1> window_;
    // The episodes of the series on France 2: two back to back, one later.
    qint64 first_ = 0;
    qint64 later_ = 0;
};

void GuideWindowTest::init() {
    window_.reset();
    cwd_.reset();
    cwd_ = std::make_unique<WorkingDirectory>();
    messages_ = std::make_unique<kalore::MessageBoxCapture>();

    std::vector<SampleProgramme> programmes =
        Consecutive("TF1.fr", MinutesFromNow(-10), 2, 60, "Journal");
    first_ = MinutesFromNow(60);
    later_ = MinutesFromNow(300);
    for (const qint64 start : {first_, first_ + 50 * 60, later_}) {
        programmes.push_back(
            {"France2.fr", start, start + 50 * 60, kSeries.toStdString(), "Un épisode"});
    }
    programmes.push_back({"France2.fr", later_ + 50 * 60, later_ + 100 * 60, "Autre chose", ""});
    // On the other channel, as the second episode ends.
    programmes.push_back(
        {"TF1.fr", first_ + 100 * 60, first_ + 140 * 60, "Le Magazine", "Le débat"});
    guide_ = kalore::testing::SampleGuide(programmes);
}

std::unique_ptr<TForm1> GuideWindowTest::MakeWindow(const QByteArray& guideSection) {
    folder_ =
        std::make_unique<ProgramFolder>(web_, ProgramFolder::DefaultSettings() + guideSection);
    folder_->Write("B/listeTVforKalore.txt", kOrangeList);
    auto window = std::make_unique<TForm1>(folder_->Options());
    window->show();
    return window;
}

kalore::GuideWindow* GuideWindowTest::OpenGuide() {
    QTest::mouseClick(Find<QPushButton>(*window_, "GuideButton"), Qt::LeftButton);
    kalore::GuideWindow* guide = window_->guideWindow();
    if (guide == nullptr || !guide->isVisible()) {
        qFatal("the guide window did not open");
    }
    return guide;
}

void GuideWindowTest::SearchAndPick(const QString& text, int row) {
    kalore::GuideWindow* guide = window_->guideWindow();
    QLineEdit* search = Find<QLineEdit>(*guide, "GuideSearch");
    // As typed: the programmes follow every change of the text.
    search->setText(text);
    auto* table = Find<QTableView>(*guide, "GuideProgrammes");
    QVERIFY(table->model()->rowCount() > row);
    table->selectRow(row);
}

void GuideWindowTest::nowAndNextShowInTheMainWindow() {
    window_ = MakeWindow("[Guide]\r\nsource=" + QByteArray::fromStdString(guideServer_.Url()) +
                         "/fr.xml.gz\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(window_->guide()->HasGuide(), 30000);
    const QString journal = kalore::GuideIntervalText(MinutesFromNow(-10), MinutesFromNow(50));
    // TF1, the first channel, is in the channel box.
    const QString tooltip = Find<QComboBox>(*window_, "ComboBox2")->toolTip();
    QVERIFY2(tooltip.startsWith("En ce moment : " + journal + "  Journal 1\nEnsuite : "),
             qPrintable(tooltip));
    auto* panelText = Find<QLabel>(*window_, "NowNextLabel");
    QCOMPARE(panelText->text(), tooltip);
    QVERIFY(panelText->isVisible());
    QVERIFY(Find<QLabel>(*window_, "GuideStatusLabel")->text().startsWith("Guide TV : 7 progr"));
    QVERIFY(Find<QPushButton>(*window_, "GuideButton")->isEnabled());

    // The guide window opens on that channel and today, the programme on now picked.
    kalore::GuideWindow* guide = OpenGuide();
    auto* table = Find<QTableView>(*guide, "GuideProgrammes");
    QCOMPARE(Find<QListView>(*guide, "GuideChannels")->currentIndex().data().toString(),
             QString("TF1"));
    QCOMPARE(table->model()->index(0, 1).data().toString(), QString("Journal 1"));
    QCOMPARE(table->selectionModel()->currentIndex().row(), 0);
    QVERIFY(Find<QTextBrowser>(*guide, "GuideDescription")->toPlainText().contains("Résumé"));

    // A search finds the series across channels and days, whatever its accents.
    SearchAndPick("FEUX ete", 0);
    QCOMPARE(table->model()->rowCount(), 3);
    QCOMPARE(table->model()->index(0, 2).data().toString(), QString("France 2"));
}

void GuideWindowTest::programmingFromTheGuideGoesThroughTheScheduleRules() {
    window_ = MakeWindow("[Guide]\r\nsource=" + QByteArray::fromStdString(guideServer_.Url()) +
                         "/fr.xml.gz\r\npaddingBefore=5\r\npaddingAfter=15\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(window_->guide()->HasGuide(), 30000);
    kalore::GuideWindow* guide = OpenGuide();

    // "Programmer" on the later episode: its channel, start - 5 min, end + 15 min. The
    // main window's fields stay as they are; the guide says what it did, and marks it.
    SearchAndPick(kSeries, 2);
    QTest::mouseClick(Find<QPushButton>(*guide, "GuideProgrammeButton"), Qt::LeftButton);
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
    QCOMPARE(Find<QComboBox>(*window_, "ComboBox2")->currentText(), QString("TF1"));
    const QString from = QDateTime::fromSecsSinceEpoch(later_ - 300).toString("HH:mm:ss");
    QVERIFY2(guide->OutcomeText().startsWith(
                 QStringLiteral("Programmé : « Les Feux de l'Été » sur France 2, le ")),
             qPrintable(guide->OutcomeText()));
    QVERIFY(guide->OutcomeText().contains(" de " + from + " à "));
    const QByteArray single = EntryLines("France 2", later_ - 300, later_ + 50 * 60 + 900);
    QCOMPARE(folder_->Read("B/recordslist"),
             "7\r\n3\r\n" + single + "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    QCOMPARE(folder_->Read("B/recordsurlist"), QByteArray("rtp://@232.0.1.2:8200\r\n"));
    auto* table = Find<QTableView>(*guide, "GuideProgrammes");
    const auto marked = [&](int row) {
        return !table->model()->index(row, 3).data(Qt::DecorationRole).isNull();
    };
    QVERIFY(marked(2));
    QVERIFY(!marked(0));

    // Programming it again is refused, naming the entry in the way; nothing changes.
    QTest::mouseClick(Find<QPushButton>(*guide, "GuideProgrammeButton"), Qt::LeftButton);
    QCOMPARE(messages_->texts().size(), 1u);
    QCOMPARE(
        messages_->texts()[0],
        "Le début et fin de l'enregistrement chevauche un enregistrement existant !!\rIl "
        "chevauche « France 2 » (Les Feux de l'Été) du " +
            QDateTime::fromSecsSinceEpoch(later_).toString("dd/MM/yyyy").toStdString() + " de " +
            from.toStdString() + " à " +
            QDateTime::fromSecsSinceEpoch(later_ + 65 * 60).toString("HH:mm:ss").toStdString() +
            ".");
    QCOMPARE(folder_->Read("B/recordsurlist"), QByteArray("rtp://@232.0.1.2:8200\r\n"));
    messages_->clear();

    // Every episode: the two back to back share one entry, the later one is skipped.
    SearchAndPick(kSeries, 0);
    QTest::mouseClick(Find<QPushButton>(*guide, "GuideProgrammeAllButton"), Qt::LeftButton);
    QCOMPARE(messages_->texts().size(), 1u);
    const QString summary = QString::fromStdString(messages_->texts()[0]);
    QVERIFY2(summary.startsWith(QStringLiteral("« Les Feux de l'Été » : 1 enregistrement(s) "
                                               "programmé(s), 1 ignoré(s) :\r")),
             qPrintable(summary));
    QVERIFY2(summary.contains(kalore::GuideTimeText(later_) +
                              " : Le début et fin de l'enregistrement chevauche un "
                              "enregistrement existant !! Il chevauche « France 2 »"),
             qPrintable(summary));
    const QByteArray both = EntryLines("France 2", first_ - 300, first_ + 100 * 60 + 900);
    QCOMPARE(folder_->Read("B/recordslist"),
             "7\r\n4\r\n" + single + both + "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    messages_->clear();

    // A programme on another channel that begins as the second episode ends: both are
    // recorded whole, the episodes' margin after giving way, and the user is told.
    SearchAndPick("Magazine", 0);
    QTest::mouseClick(Find<QPushButton>(*guide, "GuideProgrammeButton"), Qt::LeftButton);
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
    QVERIFY2(guide->OutcomeText().contains(
                 " finira à " +
                 QDateTime::fromSecsSinceEpoch(first_ + 100 * 60 - 1).toString("HH:mm:ss")),
             qPrintable(guide->OutcomeText()));
    QCOMPARE(folder_->Read("B/recordslist"),
             "7\r\n5\r\n" + single + EntryLines("France 2", first_ - 300, first_ + 100 * 60 - 1) +
                 EntryLines("TF1", first_ + 100 * 60, first_ + 140 * 60 + 900) +
                 "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    QVERIFY(marked(0));
    // The grid's Titre column names what each entry records, from the guide.
    const QAbstractItemModel* grid = Find<QTableView>(*window_, "StringGrid1")->model();
    QCOMPARE(grid->index(0, 7).data().toString(),
             QStringLiteral("Les Feux de l'Été / Les Feux de l'Été"));
    QCOMPARE(grid->index(1, 7).data().toString(), QStringLiteral("Le Magazine"));
}

void GuideWindowTest::withoutASourceTheButtonSaysHowToSetOne() {
    window_ = MakeWindow("");
    auto* button = Find<QPushButton>(*window_, "GuideButton");
    QVERIFY(!button->isEnabled());
    QVERIFY(button->toolTip().contains("source="));
    QVERIFY(button->toolTip().contains("[Guide]"));
    QVERIFY(Find<QLabel>(*window_, "GuideStatusLabel")->text().isEmpty());
    QVERIFY(!Find<QLabel>(*window_, "NowNextLabel")->isVisible());

    // The guide's controls neither move nor cover a control of the inventory.
    QCOMPARE(button->geometry(), QRect(598, 719, 136, 21));
    for (QWidget* added : {static_cast<QWidget*>(button),
                           static_cast<QWidget*>(Find<QLabel>(*window_, "GuideStatusLabel"))}) {
        QVERIFY(window_->rect().contains(added->geometry()));
        for (QWidget* control : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QString name = control->objectName();
            if (control == added || name == "Image3" || name.startsWith("Guide") ||
                !control->isVisible()) {
                continue;
            }
            QVERIFY2(!control->geometry().intersects(added->geometry()),
                     qPrintable(name + " under " + added->objectName()));
        }
    }
    auto* label6 = Find<QLabel>(*window_, "Label6");
    QVERIFY(!label6->geometry().intersects(Find<QLabel>(*window_, "NowNextLabel")->geometry()));
}

void GuideWindowTest::theKeysReachTheActionsTheGuideAndItsResults() {
    window_ = MakeWindow("[Guide]\r\nsource=" + QByteArray::fromStdString(guideServer_.Url()) +
                         "/fr.xml.gz\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(window_->guide()->HasGuide(), 30000);
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QCOMPARE(Find<QPushButton>(*window_, "Button1")->toolTip(),
             QStringLiteral("Regarder la TV (Ctrl+T)"));
    QCOMPARE(Find<QPushButton>(*window_, "Button9")->toolTip(),
             QStringLiteral("Stop Enregistrement (Ctrl+Shift+R)"));
    // The focus is framed, the channel box's as a whole while its text is typed in.
    auto* channelBox = Find<QComboBox>(*window_, "ComboBox2");
    channelBox->lineEdit()->setFocus();
    auto* ring = window_->findChild<kalore::FocusRing*>();
    QVERIFY(ring != nullptr);
    QTRY_COMPARE(ring->Target(), channelBox);
    QVERIFY(ring->isVisible());
    QCOMPARE(ring->geometry(), channelBox->geometry().adjusted(-2, -2, 2, 2));
    channelBox->lineEdit()->selectAll();
    QTest::keyClicks(channelBox->lineEdit(), "Fr");
    QCOMPARE(channelBox->currentText(), QString("France 2"));

    // A button's key presses it as a click would, shown for a moment.
    QTest::keyClick(channelBox->lineEdit(), Qt::Key_G, Qt::ControlModifier);
    QTRY_VERIFY(window_->guideWindow() != nullptr && window_->guideWindow()->isVisible());
    kalore::GuideWindow* guide = window_->guideWindow();
    QVERIFY(QTest::qWaitForWindowActive(guide));

    // Down from the search goes into its results, on the first.
    auto* search = Find<QLineEdit>(*guide, "GuideSearch");
    auto* table = Find<QTableView>(*guide, "GuideProgrammes");
    search->setFocus();
    QTest::keyClicks(search, "Feux");
    QTRY_VERIFY(table->model()->rowCount() == 3);
    QTest::keyClick(search, Qt::Key_Down);
    QVERIFY(table->hasFocus());
    QCOMPARE(table->currentIndex().row(), 0);

    // Framed in a splitter, the frame is no pane of it.
    auto* channels = Find<QListView>(*guide, "GuideChannels");
    search->clear();
    channels->setFocus();
    auto* guideRing = guide->findChild<kalore::FocusRing*>();
    QTRY_COMPARE(guideRing->Target(), channels);
    QCOMPARE(guide->findChild<QSplitter*>()->count(), 2);
    QCOMPARE(guideRing->geometry().size(), channels->size() + QSize(4, 4));

    QTest::keyClick(table, Qt::Key_Escape);
    QVERIFY(!guide->isVisible());
}

void GuideWindowTest::theGridPlacesProgrammesAndADoubleClickProgramsOne() {
    window_ = MakeWindow("[Guide]\r\nsource=" + QByteArray::fromStdString(guideServer_.Url()) +
                         "/fr.xml.gz\r\npaddingBefore=5\r\npaddingAfter=15\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(window_->guide()->HasGuide(), 30000);
    kalore::GuideWindow* guide = OpenGuide();
    QTest::mouseClick(Find<QPushButton>(*guide, "GuideGridButton"), Qt::LeftButton);
    auto* grid = Find<kalore::GuideGridView>(*guide, "GuideGrid");
    QVERIFY(grid->isVisible());
    QVERIFY(!Find<QTableView>(*guide, "GuideProgrammes")->isVisible());
    QCOMPARE(grid->RowCount(), 2);
    int france2 = 0;
    while (window_->guide()->Channels()[std::size_t(france2)].kaloreName != "France 2") {
        ++france2;
    }
    const int tf1 = 1 - france2;

    // Three hours around now, a third of an hour a cell's minute of pixels apart.
    const kalore::GuideGridAxis& axis = grid->Axis();
    QVERIFY(axis.Start() <= MinutesFromNow(-60) && MinutesFromNow(60) < axis.End());
    const QRect journal = grid->CellRect(tf1, MinutesFromNow(0));
    QCOMPARE(journal.x(), kalore::GuideGridView::kNameWidth + axis.XOf(MinutesFromNow(-10)));
    QCOMPARE(journal.right() + 1,
             std::min(kalore::GuideGridView::kNameWidth + axis.XOf(MinutesFromNow(50)),
                      kalore::GuideGridView::kNameWidth + axis.Pixels()));
    const QRect episode = grid->CellRect(france2, first_);
    QCOMPARE(episode.x(), kalore::GuideGridView::kNameWidth + axis.XOf(first_));
    QCOMPARE(episode.width(),
             std::min(axis.XOf(first_ + 50 * 60), axis.Pixels()) - axis.XOf(first_));
    QCOMPARE(episode.y(), journal.y() + (france2 - tf1) * kalore::GuideGridView::kRowHeight);

    // A click selects, a double-click programs as "Programmer" does.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, episode.center());
    QVERIFY(grid->Selected() != nullptr);
    QCOMPARE(grid->Selected()->start, first_);
    QVERIFY(Find<QPushButton>(*guide, "GuideProgrammeButton")->isEnabled());
    QCOMPARE(folder_->Read("B/recordslist").size(), 0);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, episode.center());
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
    QVERIFY(guide->OutcomeText().startsWith(QStringLiteral("Programmé : ")));
    QCOMPARE(folder_->Read("B/recordslist"),
             "7\r\n3\r\n" + EntryLines("France 2", first_ - 300, first_ + 50 * 60 + 900) +
                 "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");

    // A day on and back shows the same hours.
    const qint64 start = axis.Start();
    QTest::mouseClick(Find<QPushButton>(*guide, "GuideGridDayOn"), Qt::LeftButton);
    QVERIFY(grid->Axis().Start() > start);
    QVERIFY(!grid->CellRect(france2, first_).isValid());
    QTest::mouseClick(Find<QPushButton>(*guide, "GuideGridDayBack"), Qt::LeftButton);
    QCOMPARE(grid->Axis().Start(), start);
}

void GuideWindowTest::logosShowWhereTheyCanAndNamesShowAlways() {
    const std::string logos = guideServer_.Url() + "/logos/";
    guide_ = kalore::testing::SampleGuide(
        Consecutive("TF1.fr", MinutesFromNow(-10), 2, 60, "Journal"),
        {{"TF1.fr", logos + "tf1.png"}, {"France2.fr", logos + "france2.png"}});
    window_ = MakeWindow("[Guide]\r\nsource=" + QByteArray::fromStdString(guideServer_.Url()) +
                         "/fr.xml.gz\r\n");
    // Now and next: the logo above the text, which moves down to make room.
    auto* logo = Find<QLabel>(*window_, "NowNextLogo");
    auto* text = Find<QLabel>(*window_, "NowNextLabel");
    const int textTop = text->y();
    QTRY_VERIFY_WITH_TIMEOUT(logo->isVisible(), 30000);
    QCOMPARE(logo->pixmap().toImage().pixelColor(logo->pixmap().rect().center()), kLogoColour);
    QVERIFY(text->y() >= logo->geometry().bottom() && text->y() > textTop);

    // The list and the grid: TF1 with its logo, France 2's refused unread, its name alone.
    kalore::GuideWindow* guide = OpenGuide();
    auto* channels = Find<QListView>(*guide, "GuideChannels");
    const auto decoration = [&](int row) {
        return channels->model()->index(row, 0).data(Qt::DecorationRole);
    };
    const int tf1 = channels->model()->index(0, 0).data().toString() == "TF1" ? 0 : 1;
    // Decoded on a thread of their own: they show once ready.
    QTRY_VERIFY(decoration(tf1).value<QPixmap>().height() > 0);
    QVERIFY(!decoration(1 - tf1).isValid());
    QTest::mouseClick(Find<QPushButton>(*guide, "GuideGridButton"), Qt::LeftButton);
    auto* grid = Find<kalore::GuideGridView>(*guide, "GuideGrid");
    const auto logoCentre = [&](int row) {
        return grid->viewport()->grab().toImage().pixelColor(
            4 + kalore::GuideGridView::kLogoBox.width() / 2,
            kalore::GuideGridView::kHeaderHeight + row * kalore::GuideGridView::kRowHeight +
                kalore::GuideGridView::kRowHeight / 2);
    };
    QTRY_COMPARE(logoCentre(tf1), kLogoColour);
    QVERIFY(logoCentre(1 - tf1) != kLogoColour);
}

QTEST_MAIN(GuideWindowTest)
#include "guide_window_test.moc"
