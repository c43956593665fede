// The main window's controls, each at the place and size of the window inventory.
#include "gui/main_window.h"

#include "gui/growing_places.h"
#include "gui/typed_time_edit.h"
#include "gui/window_pictures.h"
#include "player/live_view.h"

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
#include <QTableView>
#include <QTimeEdit>

namespace kalore {
namespace {

// Single-line controls take the height the original toolkit gives them.
constexpr int kLineHeight = 21;

template <typename W> W* Place(W* widget, const char* name, int x, int y, int w, int h) {
    widget->setObjectName(name);
    widget->setGeometry(x, y, w, h);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y,
                  bool bold = false) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    label->move(x, y);
    label->adjustSize();
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int x, int y,
                        int w, int h) {
    return Place(new QPushButton(caption, parent), name, x, y, w, h);
}

QComboBox* MakeComboBox(QWidget* parent, const char* name, int x, int y, int w) {
    auto* box = Place(new QComboBox(parent), name, x, y, w, kLineHeight);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // A list of 100,000 channels: no box width measured on every item, no item
    // height asked of each.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (auto* list = qobject_cast<QListView*>(box->view())) {
        list->setUniformItemSizes(true);
    }
    return box;
}

QTimeEdit* MakeTimePicker(QWidget* parent, const char* name, int x, int y, int w) {
    auto* picker = Place(new TypedTimeEdit(parent), name, x, y, w, kLineHeight);
    picker->setDisplayFormat("HH:mm:ss");
    return picker;
}

QCalendarWidget* MakeCalendar(QWidget* parent, const char* name, int x, int y) {
    auto* calendar = Place(new QCalendarWidget(parent), name, x, y, 211, 183);
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar->setGridVisible(false);
    calendar->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    // The program speaks French whatever the system's language.
    calendar->setLocale(QLocale(QLocale::French, QLocale::France));
    return calendar;
}

QFont PixelFont(const QString& family, int pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

void TForm1::BuildControls() {
    Image3 = Place(new QLabel(this), "Image3", 0, -7, 993, 768);
    Image3->setPixmap(WindowPicture("background.jpg"));
    // Stretched only once the window is larger than the picture.
    Image3->setScaledContents(true);

    Label8 = MakeLabel(this, "Label8", "Chaine TV :", 8, 8, true);
    ComboBox2 = MakeComboBox(this, "ComboBox2", 86, 7, 649);
    Button10 = MakeButton(this, "Button10", "Programmer l'enregistrement", 8, 37, 212, 25);

    Panel1 = Place(new QFrame(this), "Panel1", 226, 37, 509, 388);
    Panel1->setAutoFillBackground(true);
    QPalette black = Panel1->palette();
    black.setColor(QPalette::Window, Qt::black);
    Panel1->setPalette(black);
    Label3 = MakeLabel(Panel1, "Label3", "Kalore !!", 216, 180);
    Label3->setFont(PixelFont("Tempus Sans ITC", 20, true));
    Label3->setStyleSheet("color: red;");
    Label3->adjustSize();
    Label6 =
        MakeLabel(Panel1, "Label6", "regarder en direct.. enregistrer.. programmer !!", 84, 212);
    Label6->setFont(PixelFont("Trebuchet MS", 15, false));
    Label6->setStyleSheet("color: red;");
    Label6->adjustSize();

    Label4 = MakeLabel(this, "Label4", "De :", 8, 78, true);
    DateTimePicker1 = MakeTimePicker(this, "DateTimePicker1", 38, 78, 182);
    MonthCalendar1 = MakeCalendar(this, "MonthCalendar1", 9, 108);
    Label5 = MakeLabel(this, "Label5", "A :", 13, 303, true);
    DateTimePicker2 = MakeTimePicker(this, "DateTimePicker2", 38, 303, 182);
    MonthCalendar2 = MakeCalendar(this, "MonthCalendar2", 8, 333);

    Button1 = MakeButton(this, "Button1", "Regarder la TV", 225, 431, 119, 25);
    Button8 = MakeButton(this, "Button8", "Stop lecture", 350, 431, 123, 25);
    Button8->setEnabled(false);
    Button4 = MakeButton(this, "Button4", "Enregistrer la TV", 479, 431, 113, 25);
    Button9 = MakeButton(this, "Button9", "Stop Enregistrement", 598, 431, 136, 25);
    Button9->setEnabled(false);

    Label1 = MakeLabel(this, "Label1", "Enregistrer dans :", 273, 466);
    Edit2 = Place(new QLineEdit(this), "Edit2", 382, 462, 352, kLineHeight);
    Label2 = MakeLabel(this, "Label2", "Format d'enregistrement :", 225, 495);
    ComboBox1 = MakeComboBox(this, "ComboBox1", 382, 492, 352);
    ComboBox1->addItems({QStringLiteral("H264 (320x240) idéal pour minimiser le stockage"),
                         QStringLiteral("Format Haute Qualité"),
                         QStringLiteral("Qualité d'origine (copie du flux)")});
    ComboBox1->setCurrentIndex(0);

    // The free line between the format box and the grid, beside the log's button.
    RecordingStatus = Place(new QLabel(this), "RecordingStatus", 8, 516, 650, 20);
    RecordingStatus->setStyleSheet("color: #b00000;");

    StringGrid1 = Place(new QTableView(this), "StringGrid1", 8, 538, 727, 147);
    StringGrid1->setFont(PixelFont("Tahoma", 10, false));
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->verticalHeader()->setVisible(false);
    StringGrid1->verticalHeader()->setDefaultSectionSize(18);
    StringGrid1->horizontalHeader()->setDefaultSectionSize(60);
    StringGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGrid1->horizontalHeader()->setStyleSheet("QHeaderView::section { background: white; }");

    Button11 = MakeButton(this, "Button11", "Supprimer l'enregistrement", 8, 691, 177, 25);
    Button12 = MakeButton(this, "Button12", "Vider tous les enregistrements", 191, 691, 186, 25);
    Button13 = MakeButton(this, "Button13",
                          QStringLiteral("Ouvri le dossier des enregistrements programmés"), 416,
                          691, 318, 25);
    CheckBox1 = Place(new QCheckBox(this), "CheckBox1", 8, 722, 17, 17);
    CheckBox1->setChecked(true);
    Label7 =
        MakeLabel(this, "Label7", QStringLiteral("Lancer Kalore au démarrage de Windows"), 31, 722);

    Memo1 = Place(new QPlainTextEdit(this), "Memo1", 8, 752, 727, 168);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setReadOnly(false);
    Button3 = MakeButton(this, "Button3", "Clear", 598, 926, 75, 25);
    ComboBox3 = Place(new QComboBox(this), "ComboBox3", 813, 128, 300, kLineHeight);
    ListBox1 = Place(new QListView(this), "ListBox1", 776, 538, 337, 147);
    Button2 = MakeButton(this, "Button2", "Stop Thread 1", 759, 410, 136, 25);
    Button5 = MakeButton(this, "Button5", "Charger liste", 813, 88, 119, 25);
    Button6 = MakeButton(this, "Button6", "afficher l'index", 813, 46, 119, 25);
    Button7 = MakeButton(this, "Button7", "Button7", 813, 167, 119, 25);

    // Last, so the inventory keeps its tab order.
    BuildGuideControls();
    BuildRecordingsControls();
    BuildLogControls();
    PlanGrowth();
}

void TForm1::PlanGrowth() {
    using F = GrowingPlaces::Follow;
    // The picture takes the extra room; what lies under it moves down, the fields
    // beside it widen, the left column stays. On a short screen the grid gives up
    // some rows. The controls outside the client area stay out of it.
    places_ = std::make_unique<GrowingPlaces>(QSize(kDesignWidth, kDesignHeight), kGridGive);
    const std::pair<QWidget*, unsigned> follows[] = {
        {Image3, F::Wider | F::Taller},
        {ComboBox2, F::Wider},
        {Panel1, F::Wider | F::Taller},
        {Button1, F::Down},
        {Button8, F::Down},
        {Button4, F::Down},
        {Button9, F::Down},
        {Label1, F::Down},
        {Edit2, F::Down | F::Wider},
        {Label2, F::Down},
        {ComboBox1, F::Down | F::Wider},
        {RecordingStatus, F::Down | F::Wider},
        {JournalButton, F::Down | F::Right},
        {StringGrid1, F::Down | F::Wider | F::Shorter},
        {Button11, F::Down | F::Up},
        {Button12, F::Down | F::Up},
        {Button13, F::Down | F::Up | F::Right},
        {CheckBox1, F::Down | F::Up},
        {Label7, F::Down | F::Up},
        {GuideStatusLabel, F::Down | F::Up | F::Right},
        {GuideButton, F::Down | F::Up | F::Right},
        {RecordingsButton, F::Down | F::Up | F::Right},
        {Memo1, F::Down | F::Up},
        {Button3, F::Down | F::Up},
        {ComboBox3, F::Right},
        {ListBox1, F::Right},
        {Button2, F::Right},
        {Button5, F::Right},
        {Button6, F::Right},
        {Button7, F::Right},
    };
    for (const auto& [widget, follow] : follows) {
        places_->Add(*widget, follow);
    }
}

void TForm1::PlacePanelContents() {
    // The panel's own words stay in its middle, now and next at its foot.
    const QPoint middle((Panel1->width() - kDesignPanel.width()) / 2,
                        (Panel1->height() - kDesignPanel.height()) / 2);
    Label3->move(QPoint(216, 180) + middle);
    Label6->move(QPoint(84, 212) + middle);
    if (live_ != nullptr) {
        live_->FollowPanel();
    }
    ShowNowAndNext();
}

} // namespace kalore
