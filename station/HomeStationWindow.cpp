#include "station/HomeStationWindow.h"

#include "controls/ClickPanel.h"
#include "controls/ColorButton.h"
#include "controls/NumEdit.h"
#include "controls/RadioGroup.h"
#include "controls/SystemColours.h"
#include "controls/TooltipSettings.h"
#include "station/GridLocator.h"
#include "station/Hemisphere.h"
#include "station/UserSourceCoordinates.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>
#include <cstdio>
#include <optional>

namespace vantrel {

namespace {

// Colours of the design (0x00BBGGRR).
constexpr Colour kStationPanelColour = 0x00FBEBCA;
constexpr Colour kUserSourcePanelColour = 0x00C6C9FF;
constexpr Colour kNotePanelColour = 0x009FFFF1;
constexpr Colour kSkyBlue = 0x00F0CAA6;
constexpr Colour kLime = 0x0000FF00;
constexpr Colour kWindow = 0xFF000005;

constexpr int kClientWidth = 511;
constexpr int kClientHeight = 360;
/// Where the window opens, from the main window's top-left corner, pixels.
constexpr QPoint kOffsetFromMainWindow(270, 120);

/// Largest UTC offset the window keeps, hours either way.
constexpr long double kMostUtcOffsetHours = 23.5L;

/// Degrees or hours from which a value is shown in its decimal field only:
/// the whole-degree fields hold three digits at most.
constexpr long double kMostSplitWhole = 1000.0L;

/// Magnitude from which a decimal field shows its value in exponent form:
/// with six decimals the plain form would pass fifteen significant digits.
constexpr long double kLargestPlainNumber = 1e9L;

/// Shows `value` in a decimal field: as the field formats it, or, for a
/// finite number too large for its digits (a damaged data file), in exponent
/// form such as "1.000000E+30", so that it reads as what it is.
void ShowNumber(NumEdit* field, long double value) {
    if (std::isfinite(value) && std::fabs(value) >= kLargestPlainNumber) {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "%.6LE", value);
        QString shown = QString::fromLatin1(buffer);
        shown.replace(QLatin1Char('.'), field->DecimalSeparator());
        field->ShowText(shown);
        return;
    }
    field->SetFloat(value);
}

/// Whether a UTC offset is one the window keeps: within ±23.5 h (a NaN is
/// not).
bool UsableUtcOffset(long double hours) {
    return std::fabs(hours) <= kMostUtcOffsetHours;
}

/// Whether `value` (degrees or hours) can be shown as whole units, minutes
/// and seconds; a NaN, an infinity or a huge number from a damaged data
/// file cannot, and its parts are left empty.
bool Splittable(long double value) {
    return std::isfinite(value) && std::fabs(value) < kMostSplitWhole;
}

/// Shows `parts` in the three fields, or nothing where there are none.
void ShowParts(NumEdit* whole, NumEdit* minutes, NumEdit* seconds,
               const std::optional<DegreesMinutesSeconds>& parts) {
    if (!parts) {
        whole->SetBlank();
        minutes->SetBlank();
        seconds->SetBlank();
        return;
    }
    whole->SetInteger(parts->Whole);
    minutes->SetInteger(parts->Minutes);
    seconds->SetInteger(parts->Seconds);
}

QFont PixelFont(const char* family, int pixels) {
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixels);
    return f;
}

QString Latin1(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

/// The field's text as 8-bit characters, cut to `capacity`.
std::string Stored(const QLineEdit* field, std::size_t capacity) {
    std::string s = field->text().toLatin1().toStdString();
    if (s.size() > capacity) {
        s.resize(capacity);
    }
    return s;
}

void SetTextIfDifferent(QLineEdit* field, const QString& text) {
    if (field->text() != text) {
        field->setText(text);
    }
}

char Letter(const ClickPanel* panel) {
    const QString& c = panel->Caption();
    return c.isEmpty() ? '\0' : static_cast<char>(c.front().toLatin1());
}

void SetLetter(ClickPanel* panel, char letter) {
    panel->SetCaption(letter == '\0' ? QString() : QString(QLatin1Char(letter)));
}

ClickPanel* MakePanel(QWidget* parent, const QString& caption, QRect geometry, Colour background,
                      bool raised) {
    auto* p = new ClickPanel(caption, parent);
    p->setGeometry(geometry);
    p->SetBackground(background);
    p->SetRaised(raised);
    return p;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top) {
    auto* l = new QLabel(text, parent);
    l->move(left, top);
    l->adjustSize();
    return l;
}

QLineEdit* MakeTextField(QWidget* parent, const char* name, QRect geometry, const QString& text) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(geometry);
    return e;
}

} // namespace

TForm2::TForm2(HomeStation& station, UserMessages& messages, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      station_(station), messages_(messages), file_(messages) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QString::fromLatin1(kHomeStationCaption));
    setFont(PixelFont("Tahoma", 11));
    QPalette p = palette();
    p.setColor(QPalette::Window, ResolveColour(colour::kButtonFace));
    setPalette(p);
    setAutoFillBackground(true);
    resize(kClientWidth, kClientHeight);

    BuildStationPanel();
    BuildUserSourcePanel();
    BuildHintsAndNote();
    SetTabOrder();
    ConnectReactions();

    // FormCreate: the data file's second read of the run.
    file_.Read(station_);
    RefreshStationFields();
}

// ---- building --------------------------------------------------------------

NumEdit* TForm2::MakeNumber(QWidget* parent, const char* name, int left, int top, int width,
                            int decimals, int maxLength, long double minValue,
                            long double maxValue) {
    auto* f = new NumEdit(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setGeometry(left, top, width, 21);
    f->setAlignment(Qt::AlignCenter);
    f->SetMaxLength(maxLength);
    f->SetDecimals(decimals);
    f->SetRange(minValue, maxValue);
    // The window's key filter: digits, the minus sign, the decimal separator
    // and Backspace; anything else is dropped without a sound.
    f->SetKeyPressHandler([f](QChar& c) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!digit && c != QLatin1Char('-') && c != QLatin1Char('\b') &&
            c != f->DecimalSeparator()) {
            c = QChar();
        }
    });
    connect(f, &NumEdit::ConversionFailed, this,
            [this](const QString& message) { messages_.Error(message.toLatin1().toStdString()); });
    return f;
}

void TForm2::BuildStationPanel() {
    StationPanel = MakePanel(this, QString(), {0, 0, 233, 257}, kStationPanelColour, true);
    StationPanel->setObjectName(QStringLiteral("StationPanel"));
    QWidget* s = StationPanel;
    const QFont captionFont = PixelFont("MS Sans Serif", 11);

    LatitudeCaption =
        MakePanel(s, QStringLiteral("Latitude"), {6, 3, 195, 17}, kStationPanelColour, false);
    LatitudeCaption->setFont(captionFont);
    LatitudeDegrees = MakeNumber(s, "LatitudeDegrees", 10, 22, 31, -1, 2, 0, 90);
    LatitudeDegrees->SetAutoSelect(false);
    LatitudeMinutes = MakeNumber(s, "LatitudeMinutes", 45, 22, 30, -1, 2, 0, 59);
    LatitudeSeconds = MakeNumber(s, "LatitudeSeconds", 80, 22, 30, -1, 2, 0, 59);
    Panel11 = MakePanel(s, QString(), {115, 22, 20, 20}, kWindow, true);
    Panel11->setObjectName(QStringLiteral("Panel11"));
    LatitudeDecimal = MakeNumber(s, "LatitudeDecimal", 144, 22, 77, 6, 12, -90, 90);

    LongitudeCaption =
        MakePanel(s, QStringLiteral("Longitude"), {6, 44, 195, 17}, kStationPanelColour, false);
    LongitudeCaption->setFont(captionFont);
    LongitudeDegrees = MakeNumber(s, "LongitudeDegrees", 10, 65, 30, -1, 3, 0, 180);
    LongitudeMinutes = MakeNumber(s, "LongitudeMinutes", 45, 65, 30, -1, 2, 0, 59);
    LongitudeSeconds = MakeNumber(s, "LongitudeSeconds", 80, 65, 30, -1, 2, 0, 59);
    Panel12 = MakePanel(s, QString(), {116, 65, 20, 20}, kWindow, true);
    Panel12->setObjectName(QStringLiteral("Panel12"));
    LongitudeDecimal = MakeNumber(s, "LongitudeDecimal", 144, 65, 77, 6, 12, -180, 180);

    ClickPanel* callSign =
        MakePanel(s, QStringLiteral("Call Sign"), {24, 88, 80, 17}, kStationPanelColour, false);
    callSign->setFont(captionFont);
    ClickPanel* location =
        MakePanel(s, QStringLiteral("Location"), {125, 88, 70, 17}, kStationPanelColour, false);
    location->setFont(captionFont);
    Edit11 = MakeTextField(s, "Edit11", {24, 105, 80, 21}, QStringLiteral("Edit11"));
    Edit12 = MakeTextField(s, "Edit12", {122, 105, 80, 21}, QStringLiteral("Edit12"));

    GridCaption =
        MakePanel(s, QStringLiteral("Grid"), {60, 132, 48, 21}, colour::kActiveBorder, true);
    Edit2 = MakeTextField(s, "Edit2", {112, 132, 48, 21}, QStringLiteral("Edit2"));
    Edit2->installEventFilter(this);
    locatorTextColour_ = Edit2->palette().color(QPalette::Text);

    MakePanel(s, QStringLiteral("UTC Off set"), {17, 154, 80, 17}, kStationPanelColour, false);
    // Two decimals, so that offsets such as +5.75 and +12.75 can be entered.
    UtcOffsetField = MakeNumber(s, "UtcOffset", 15, 174, 80, 2, 0, 0, 0);
    MakePanel(s, QStringLiteral("Height ASL ( m)"), {121, 155, 80, 17}, kStationPanelColour, false);
    HeightField = MakeNumber(s, "HeightAsl", 117, 174, 80, 0, 0, 0, 0);

    SaveHomeData = new ColorButton(QStringLiteral("Save Home Data"), s);
    SaveHomeData->setObjectName(QStringLiteral("SaveHomeData"));
    SaveHomeData->setGeometry(118, 200, 90, 21);
    SaveHomeData->SetBackColor(colour::kActiveBorder);
    SaveHomeData->SetHoverColor(kLime);
    GetHomeData = new ColorButton(QStringLiteral("Get Home Data"), s);
    GetHomeData->setObjectName(QStringLiteral("GetHomeData"));
    GetHomeData->setGeometry(16, 200, 90, 21);
    GetHomeData->SetBackColor(colour::kActiveBorder);
    GetHomeData->SetHoverColor(kSkyBlue);
    Button1 = new QPushButton(QStringLiteral("Close"), s);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(72, 227, 75, 25);
}

void TForm2::BuildUserSourcePanel() {
    UserSourcePanel = MakePanel(this, QString(), {235, 3, 270, 201}, kUserSourcePanelColour, true);
    UserSourcePanel->setObjectName(QStringLiteral("UserSourcePanel"));
    QWidget* u = UserSourcePanel;
    auto* title = new QLabel(QStringLiteral("User Defined Noise Source"), u);
    title->setFont(PixelFont("Arial", 13));
    title->setAlignment(Qt::AlignCenter);
    title->setGeometry(1, 1, 268, 19);

    MakeLabel(u, QStringLiteral("Object Name"), 8, 55);
    Edit1 = MakeTextField(u, "Edit1", {88, 50, 80, 21}, QStringLiteral("User Defined"));

    MakeLabel(u, QStringLiteral("R.A."), 8, 96);
    MakeLabel(u, QStringLiteral("Hrs"), 98, 80);
    MakeLabel(u, QStringLiteral("min"), 131, 80);
    MakeLabel(u, QStringLiteral("sec"), 162, 80);
    MakeLabel(u, QStringLiteral("Decimal Hours"), 195, 80);
    // Each field holds what its part can be: hours 0 to 23, minutes and
    // seconds 0 to 59, the whole right ascension 0 to 24 hours.
    RaHours = MakeNumber(u, "RaHours", 90, 95, 30, -1, 3, 0, 23);
    RaMinutes = MakeNumber(u, "RaMinutes", 123, 95, 30, -1, 3, 0, 59);
    RaSeconds = MakeNumber(u, "RaSeconds", 155, 95, 30, -1, 3, 0, 59);
    RaDecimal = MakeNumber(u, "RaDecimal", 195, 95, 70, 6, 0, 0, 24);

    MakeLabel(u, QStringLiteral("Declination"), 8, 142);
    MakeLabel(u, QStringLiteral("Deg"), 96, 125);
    MakeLabel(u, QStringLiteral("min"), 129, 125);
    MakeLabel(u, QStringLiteral("sec"), 161, 125);
    MakeLabel(u, QStringLiteral("Decimal Dec."), 195, 125);
    Panel3 = MakePanel(u, QStringLiteral("+"), {68, 140, 20, 20}, kWindow, true);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setToolTip(QStringLiteral("Select + or -ve Declination"));
    DecDegrees = MakeNumber(u, "DecDegrees", 90, 140, 30, -1, 3, 0, 90);
    DecMinutes = MakeNumber(u, "DecMinutes", 123, 140, 30, -1, 3, 0, 59);
    DecSeconds = MakeNumber(u, "DecSeconds", 155, 140, 30, -1, 3, 0, 59);
    DecDecimal = MakeNumber(u, "DecDecimal", 193, 140, 70, 6, 0, -90, 90);
}

void TForm2::BuildHintsAndNote() {
    RadioGroup2 = new RadioGroup(QStringLiteral("On Screen Hints"),
                                 {QStringLiteral("8 seconds"), QStringLiteral("4 seconds"),
                                  QStringLiteral("2 seconds"), QStringLiteral("Disable")},
                                 this, 4);
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    RadioGroup2->setFont(PixelFont("Arial", 11));
    RadioGroup2->setGeometry(235, 208, 270, 46);
    RadioGroup2->SetBackground(kSkyBlue);
    // A quarter of the group is 65 pixels: the toolkit's usual gap between
    // the round mark and the text would cut "seconds".
    for (int i = 0; i < RadioGroup2->Count(); ++i) {
        RadioGroup2->Item(i)->setStyleSheet(QStringLiteral("QRadioButton { spacing: 2px; }"));
    }

    NotePanel = MakePanel(this, QString(), {48, 264, 393, 89}, kNotePanelColour, true);
    NotePanel->setObjectName(QStringLiteral("NotePanel"));
    MakeLabel(
        NotePanel,
        QStringLiteral("Note .. There are 3 ways you can enter your Latitude and Longitude by,"),
        12, 12);
    MakeLabel(
        NotePanel,
        QStringLiteral("1. Typing in your Lat and Long in decimal degrees (the most accurate),"),
        25, 29);
    MakeLabel(NotePanel, QStringLiteral("2. Entering your Degrees, Minutes and Seconds, or"), 27,
              47);
    MakeLabel(NotePanel,
              QStringLiteral("3. Typing in your grid square which will automatically calculate "
                             "the values."),
              24, 64);
}

void TForm2::SetTabOrder() {
    QWidget* order[] = {LatitudeDegrees,
                        LatitudeMinutes,
                        LatitudeSeconds,
                        LatitudeDecimal,
                        LongitudeDegrees,
                        LongitudeMinutes,
                        LongitudeSeconds,
                        LongitudeDecimal,
                        Edit11,
                        Edit12,
                        UtcOffsetField,
                        HeightField,
                        SaveHomeData,
                        GetHomeData,
                        Button1,
                        Edit2,
                        Edit1,
                        RaHours,
                        RaMinutes,
                        RaSeconds,
                        DecDegrees,
                        DecMinutes,
                        DecSeconds,
                        RaDecimal,
                        DecDecimal,
                        RadioGroup2->Item(0),
                        RadioGroup2->Item(1),
                        RadioGroup2->Item(2),
                        RadioGroup2->Item(3)};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void TForm2::ConnectReactions() {
    using DMS = DegreesMinutesSeconds;
    const auto part = [this](NumEdit* field, void (TForm2::*store)(NumEdit*, std::int32_t DMS::*),
                             std::int32_t DMS::*member) {
        connect(field, &NumEdit::UserEdited, this,
                [this, field, store, member] { (this->*store)(field, member); });
    };
    part(LatitudeDegrees, &TForm2::StoreLatitudePart, &DMS::Whole);
    part(LatitudeMinutes, &TForm2::StoreLatitudePart, &DMS::Minutes);
    part(LatitudeSeconds, &TForm2::StoreLatitudePart, &DMS::Seconds);
    part(LongitudeDegrees, &TForm2::StoreLongitudePart, &DMS::Whole);
    part(LongitudeMinutes, &TForm2::StoreLongitudePart, &DMS::Minutes);
    part(LongitudeSeconds, &TForm2::StoreLongitudePart, &DMS::Seconds);
    part(RaHours, &TForm2::StoreRaPart, &DMS::Whole);
    part(RaMinutes, &TForm2::StoreRaPart, &DMS::Minutes);
    part(RaSeconds, &TForm2::StoreRaPart, &DMS::Seconds);
    part(DecDegrees, &TForm2::StoreDecPart, &DMS::Whole);
    part(DecMinutes, &TForm2::StoreDecPart, &DMS::Minutes);
    part(DecSeconds, &TForm2::StoreDecPart, &DMS::Seconds);
    connect(LatitudeDecimal, &NumEdit::UserEdited, this, &TForm2::LatitudeDecimalEdited);
    connect(LongitudeDecimal, &NumEdit::UserEdited, this, &TForm2::LongitudeDecimalEdited);
    connect(RaDecimal, &NumEdit::UserEdited, this, &TForm2::RaDecimalEdited);
    connect(DecDecimal, &NumEdit::UserEdited, this, &TForm2::DecDecimalEdited);
    connect(UtcOffsetField, &NumEdit::UserEdited, this, &TForm2::UtcOffsetEdited);
    connect(HeightField, &NumEdit::UserEdited, this, &TForm2::HeightEdited);
    connect(Edit11, &QLineEdit::textEdited, this, &TForm2::CallSignEdited);
    connect(Edit12, &QLineEdit::textEdited, this, &TForm2::LocationEdited);
    connect(Edit1, &QLineEdit::textEdited, this, &TForm2::ObjectNameEdited);
    connect(Panel11, &ClickPanel::Clicked, this, &TForm2::Panel11Click);
    connect(Panel12, &ClickPanel::Clicked, this, &TForm2::Panel12Click);
    connect(Panel3, &ClickPanel::Clicked, this, &TForm2::Panel3Click);
    connect(RadioGroup2, &RadioGroup::Click, this, &TForm2::RadioGroup2Click);
    connect(SaveHomeData, &ColorButton::clicked, this, &TForm2::SaveHomeDataClick);
    connect(GetHomeData, &ColorButton::clicked, this, &TForm2::GetHomeDataClick);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
}

// ---- refreshing -----------------------------------------------------------

template <class Reaction> void TForm2::Guarded(Reaction&& reaction) {
    try {
        reaction();
    } catch (const NumberConversionError& error) {
        messages_.Error(error.what());
    }
}

void TForm2::ShowStationParts() {
    // A position without parts (from a damaged file) leaves the working
    // values at zero, so that a part typed in starts from nothing.
    const bool latitude = Splittable(station_.Latitude);
    const bool longitude = Splittable(station_.Longitude);
    latitude_ = latitude ? Split(station_.Latitude) : DegreesMinutesSeconds{};
    longitude_ = longitude ? Split(station_.Longitude) : DegreesMinutesSeconds{};
    ShowParts(LatitudeDegrees, LatitudeMinutes, LatitudeSeconds,
              latitude ? std::optional(latitude_) : std::nullopt);
    ShowParts(LongitudeDegrees, LongitudeMinutes, LongitudeSeconds,
              longitude ? std::optional(longitude_) : std::nullopt);
}

std::string TForm2::StoredLocator() const {
    if (!Splittable(station_.Latitude) || !Splittable(station_.Longitude)) {
        return {}; // no position to give a locator for
    }
    return EncodeLocator(Split(station_.Latitude), Split(station_.Longitude),
                         station_.Latitude<0, station_.Longitude> 0);
}

void TForm2::ShowLocatorFault(const std::string& fault) {
    QPalette p = Edit2->palette();
    p.setColor(QPalette::Text, fault.empty() ? locatorTextColour_ : QColor(Qt::red));
    Edit2->setPalette(p);
    Edit2->setToolTip(Latin1(fault));
}

void TForm2::RefreshStationFields() {
    SetLetter(Panel11, LatitudeLetter(station_.Latitude));
    SetLetter(Panel12, LongitudeLetter(station_.Longitude));
    ShowNumber(LatitudeDecimal, station_.Latitude);
    ShowNumber(LongitudeDecimal, station_.Longitude);
    ShowStationParts();
    SetTextIfDifferent(Edit11, Latin1(station_.CallSign));
    SetTextIfDifferent(Edit12, Latin1(station_.Location));
    // An offset beyond ±23.5 h, or none at all, gives local times that are
    // no time of day: the window shows and keeps 0 instead.
    if (!UsableUtcOffset(station_.UtcOffset)) {
        station_.UtcOffset = 0;
    }
    UtcOffsetField->SetFloat(station_.UtcOffset);
    ShowNumber(HeightField, station_.HeightAsl);
    SetTextIfDifferent(Edit2, Latin1(StoredLocator()));
    ShowLocatorFault({});
}

long double TForm2::ShownRightAscension(bool typed) const {
    const long double ra = station_.UserSourceRa;
    if (typed || !Splittable(ra)) {
        return ra; // as typed, so that the digits do not change under the caret
    }
    const long double wrapped = WrapRightAscension(ra);
    // 23.9999999 h would read 24.000000, which is the same point of the turn as 0.
    return RaDecimal->FormatValue(wrapped) == RaDecimal->FormatValue(kHoursPerTurn) ? 0.0L
                                                                                    : wrapped;
}

void TForm2::ShowSourceParts() {
    const bool ra = Splittable(station_.UserSourceRa);
    const bool dec = Splittable(station_.UserSourceDec);
    ra_ = ra ? SplitRightAscension(station_.UserSourceRa) : DegreesMinutesSeconds{};
    dec_ = dec ? Split(station_.UserSourceDec) : DegreesMinutesSeconds{};
    ShowParts(RaHours, RaMinutes, RaSeconds, ra ? std::optional(ra_) : std::nullopt);
    ShowParts(DecDegrees, DecMinutes, DecSeconds, dec ? std::optional(dec_) : std::nullopt);
}

void TForm2::RefreshUserSourceFields(bool raTyped) {
    ShowNumber(RaDecimal, ShownRightAscension(raTyped));
    ShowNumber(DecDecimal, station_.UserSourceDec);
    ShowSourceParts();
    SetTextIfDifferent(Edit1, Latin1(station_.UserSourceName));
}

void TForm2::SetDeclinationSignAndRefresh(bool raTyped) {
    ShowSourceParts();
    SetLetter(Panel3, DeclinationSign(station_.UserSourceDec));
    RefreshUserSourceFields(raTyped);
}

// ---- station reactions ------------------------------------------------------

void TForm2::StoreLatitudePart(NumEdit* field, std::int32_t DegreesMinutesSeconds::*part) {
    Guarded([&] {
        latitude_.*part = field->AsInteger();
        station_.Latitude = SignedLatitude(Join(latitude_), Letter(Panel11));
        LatitudeDecimal->SetFloat(station_.Latitude);
        RefreshStationFields();
    });
}

void TForm2::StoreLongitudePart(NumEdit* field, std::int32_t DegreesMinutesSeconds::*part) {
    Guarded([&] {
        longitude_.*part = field->AsInteger();
        station_.Longitude = SignedLongitude(Join(longitude_), Letter(Panel12));
        LongitudeDecimal->SetFloat(station_.Longitude);
        RefreshStationFields();
    });
}

void TForm2::LatitudeDecimalEdited() {
    Guarded([&] {
        station_.Latitude = LatitudeDecimal->AsFloat();
        RefreshStationFields();
    });
}

void TForm2::LongitudeDecimalEdited() {
    Guarded([&] {
        station_.Longitude = LongitudeDecimal->AsFloat();
        RefreshStationFields();
    });
}

void TForm2::Panel11Click() {
    const HemisphereChoice c = ToggleLatitude(station_.Latitude, Letter(Panel11));
    SetLetter(Panel11, c.Letter);
    station_.Latitude = c.ValueDeg;
    RefreshStationFields(); // encodes the locator and shows the letter of the value
}

void TForm2::Panel12Click() {
    const HemisphereChoice c = ToggleLongitude(station_.Longitude, Letter(Panel12));
    SetLetter(Panel12, c.Letter);
    station_.Longitude = c.ValueDeg;
    RefreshStationFields();
}

void TForm2::CallSignEdited() {
    station_.CallSign = Stored(Edit11, kCallSignCapacity);
    RefreshStationFields();
}

void TForm2::LocationEdited() {
    station_.Location = Stored(Edit12, kLocationCapacity);
    RefreshStationFields();
}

void TForm2::UtcOffsetEdited() {
    Guarded([&] {
        const long double hours = UtcOffsetField->AsFloat();
        if (hours > kMostUtcOffsetHours || hours < -kMostUtcOffsetHours) {
            station_.UtcOffset = 0;
            UtcOffsetField->SetValue(0);
        } else {
            station_.UtcOffset = hours;
        }
    });
}

void TForm2::HeightEdited() {
    Guarded([&] { station_.HeightAsl = HeightField->AsFloat(); });
}

void TForm2::Edit2KeyUp() {
    QString typed = Edit2->text();
    if (typed.size() > static_cast<qsizetype>(kLocatorLength)) {
        typed.truncate(static_cast<qsizetype>(kLocatorLength));
        Edit2->setText(typed);
    }
    const std::string text = typed.toLatin1().toStdString();
    // A wrong character shows at once, in red with the reason; the field
    // keeps it for correcting until it is left.
    // The station's own locator is never flagged, even off the globe.
    ShowLocatorFault(typed == Latin1(StoredLocator()) ? std::string() : LocatorFault(text));
    const std::optional<DecodedLocator> decoded = DecodeLocator(text);
    if (!decoded) {
        return; // short, or not a locator: the station stays where it is
    }
    if (decoded->Text == StoredLocator()) {
        SetTextIfDifferent(Edit2, Latin1(decoded->Text)); // "kg33XS" shows as "KG33xs"
        return;
    }
    latitude_ = decoded->Latitude;
    longitude_ = decoded->Longitude;
    station_.Latitude = decoded->LatitudeDeg;
    station_.Longitude = decoded->LongitudeDeg;
    // A station given by its locator is a new one: its call sign, location
    // and height are to be entered again.
    station_.CallSign = "?";
    station_.Location = "?";
    station_.HeightAsl = 0;
    RefreshStationFields();
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit2 && event->type() == QEvent::KeyRelease) {
        Edit2KeyUp();
    } else if (watched == Edit2 && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            // Left with a text that moved nothing: back to the station's own.
            SetTextIfDifferent(Edit2, Latin1(StoredLocator()));
            ShowLocatorFault({});
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- user source reactions --------------------------------------------------

void TForm2::StoreRaPart(NumEdit* field, std::int32_t DegreesMinutesSeconds::*part) {
    Guarded([&] {
        ra_.*part = field->AsInteger();
        station_.UserSourceRa = WrapRightAscension(JoinRightAscension(ra_));
        RaDecimal->SetFloat(station_.UserSourceRa);
        RefreshUserSourceFields();
    });
}

void TForm2::StoreDecPart(NumEdit* field, std::int32_t DegreesMinutesSeconds::*part) {
    Guarded([&] {
        dec_.*part = field->AsInteger();
        station_.UserSourceDec = JoinDeclination(dec_, Letter(Panel3));
        DecDecimal->SetFloat(station_.UserSourceDec);
        RefreshUserSourceFields();
    });
}

void TForm2::RaDecimalEdited() {
    Guarded([&] {
        station_.UserSourceRa = RaDecimal->AsFloat();
        SetDeclinationSignAndRefresh(true);
    });
}

void TForm2::DecDecimalEdited() {
    Guarded([&] {
        station_.UserSourceDec = DecDecimal->AsFloat();
        SetDeclinationSignAndRefresh();
    });
}

void TForm2::Panel3Click() {
    const SignedDeclination d = ToggleDeclinationSign(station_.UserSourceDec, Letter(Panel3));
    station_.UserSourceDec = d.ValueDeg;
    SetLetter(Panel3, d.Sign);
    RefreshUserSourceFields();
}

void TForm2::ObjectNameEdited() {
    station_.UserSourceName = Stored(Edit1, kUserSourceNameCapacity);
    RefreshUserSourceFields();
}

// ---- hints, buttons, opening and closing -----------------------------------

void TForm2::RadioGroup2Click() {
    const int index = RadioGroup2->ItemIndex();
    if (index < 0) {
        return; // no choice shown: the stored option stays
    }
    if (ApplicationTooltips* tooltips = ApplicationTooltips::Instance()) {
        tooltips->ApplyHintOption(index);
    }
    station_.HintOption = index;
}

void TForm2::GetHomeDataClick() {
    file_.Read(station_);
    RefreshStationFields();
}

void TForm2::SaveHomeDataClick() {
    if (file_.Write(station_)) {
        close(); // resumes the real-time display
    }
}

void TForm2::Button1Click() {
    close();
}

void TForm2::closeEvent(QCloseEvent* event) {
    // "Close", "Save Home Data" and the close box alike: the window only
    // hides, and the main window's real-time display runs again.
    event->accept();
    emit StartTimer();
}

void TForm2::OpenBeside(QWidget* mainWindow) {
    if (mainWindow != nullptr) {
        move(mainWindow->window()->pos() + kOffsetFromMainWindow);
    }
    emit StopTimer();
    SetDeclinationSignAndRefresh();
    RefreshStationFields();
    RefreshUserSourceFields();
    RadioGroup2->SetItemIndex(station_.HintOption);
    show();
    raise();
    activateWindow();
}

} // namespace vantrel
