#include "settings/SettingsWindow.h"

#include "controls/FieldReasons.h"
#include "settings/ObservingSettings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel {

namespace {

/// Where the window opens, from the main window's top-left corner, pixels.
constexpr QPoint kOffsetFromMainWindow(300, 80);

QString Number(double value) {
    return QString::number(value, 'g', 15);
}

ParsedCondition Parse(ConditionField kind, const QString& typed) {
    const QByteArray text = typed.toLatin1();
    return ParseCondition(
        kind, std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

ParsedCondition Parse(ConditionField kind, const QLineEdit* edit) {
    return Parse(kind, edit->text());
}

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

SettingsWindow::SettingsWindow(ObservingConditions& conditions, UserMessages& messages,
                               QString directory, QWidget* parent)
    : QWidget(parent, Qt::Window), conditions_(conditions), messages_(messages),
      directory_(std::move(directory)) {
    setObjectName(QStringLiteral("SettingsWindow"));
    setWindowTitle(QLatin1String(kSettingsCaption));
    reasons_ = new FieldReasons(this);

    auto* layout = new QVBoxLayout(this);
    ApparentPlaces = new QCheckBox(QStringLiteral("Apparent places of date"), this);
    ApparentPlaces->setObjectName(QStringLiteral("ApparentPlaces"));
    ApparentPlaces->setToolTip(QStringLiteral(
        "Carry the fixed sources from their J2000 catalogue places to where the sky shows "
        "them today: precession, nutation, aberration and light deflection"));
    RadioRefraction = new QCheckBox(QStringLiteral("Radio refraction"), this);
    RadioRefraction->setObjectName(QStringLiteral("RadioRefraction"));
    RadioRefraction->setToolTip(
        QStringLiteral("Show refracted elevations for every source, the Sun and the Moon"));
    Ut1Source = new QLabel(this);
    Ut1Source->setObjectName(QStringLiteral("Ut1Source"));
    Ut1Source->setWordWrap(true);
    Ut1Source->setToolTip(QStringLiteral(
        "UT1 - UTC from the IERS file finals2000A.all, .daily or .data in the data folder "
        "turns the Earth for apparent places; without it UT1 = UTC (up to 0.9 s)"));
    Ut1Source->setContentsMargins(20, 0, 0, 0); // under the check box's text
    layout->addWidget(ApparentPlaces);
    layout->addWidget(Ut1Source);
    layout->addWidget(RadioRefraction);

    auto* grid = new QGridLayout;
    const struct {
        const char* Label;
        const char* Name;
        ConditionField Kind;
        QLineEdit** Edit;
    } rows[] = {
        {"Pressure (hPa)", "Pressure", ConditionField::Pressure, &Pressure},
        {"Temperature (\xC2\xB0"
         "C)",
         "Temperature", ConditionField::Temperature, &Temperature},
        {"Relative humidity (%)", "Humidity", ConditionField::RelativeHumidity, &Humidity},
        {"Observing frequency (MHz)", "Frequency", ConditionField::Frequency, &Frequency},
    };
    int row = 0;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(rows[i].Name));
        const ConditionField kind = rows[i].Kind;
        QLabel* reason = reasons_->Watch(
            edit, [kind](const QString& text) { return FromView(Parse(kind, text).Problem); });
        grid->addWidget(new QLabel(QString::fromUtf8(rows[i].Label), this), row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(reason, row + 1, 0, 1, 2);
        row += 2;
        *rows[i].Edit = edit;
        fields_[i] = {edit, kind};
    }
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    Apply = new QPushButton(QStringLiteral("Apply"), this);
    Apply->setObjectName(QStringLiteral("Apply"));
    Close = new QPushButton(QStringLiteral("Close"), this);
    Close->setObjectName(QStringLiteral("Close"));
    buttons->addStretch();
    buttons->addWidget(Apply);
    buttons->addWidget(Close);
    layout->addLayout(buttons);

    connect(Apply, &QPushButton::clicked, this, &SettingsWindow::ApplyClick);
    connect(Close, &QPushButton::clicked, this, &QWidget::close);
    connect(reasons_, &FieldReasons::Checked, Apply, &QPushButton::setEnabled);
    ShowConditions();
}

void SettingsWindow::OpenBeside(QWidget* mainWindow) {
    ShowConditions();
    if (mainWindow != nullptr) {
        move(mainWindow->window()->pos() + kOffsetFromMainWindow);
    }
    show();
    raise();
    activateWindow();
}

void SettingsWindow::SetUt1Problem(const std::string& problem) {
    ut1Problem_ = problem;
    Ut1Source->setText(QString::fromStdString(Ut1SourceText(conditions_.Ut1.get(), ut1Problem_)));
}

void SettingsWindow::ShowConditions() {
    ApparentPlaces->setChecked(conditions_.Apparent);
    Ut1Source->setText(QString::fromStdString(Ut1SourceText(conditions_.Ut1.get(), ut1Problem_)));
    RadioRefraction->setChecked(conditions_.Refraction);
    Pressure->setText(Number(conditions_.PressureHpa));
    Temperature->setText(Number(conditions_.TemperatureC));
    Humidity->setText(Number(conditions_.RelativeHumidityPercent));
    Frequency->setText(Number(conditions_.FrequencyMHz));
    Apply->setEnabled(reasons_->CheckAll());
}

void SettingsWindow::ShowFrequency() {
    const ParsedCondition shown = Parse(ConditionField::Frequency, Frequency);
    if (!shown.Problem.empty() || shown.Value != conditions_.FrequencyMHz) {
        Frequency->setText(Number(conditions_.FrequencyMHz));
    }
}

QString SettingsWindow::Problem(const QLineEdit* edit) const {
    return reasons_->Reason(edit);
}

ObservingConditions SettingsWindow::Shown() const {
    ObservingConditions c;
    c.Ut1 = conditions_.Ut1; // found in the data folder, not typed here
    c.Apparent = ApparentPlaces->isChecked();
    c.Refraction = RadioRefraction->isChecked();
    c.PressureHpa = Parse(ConditionField::Pressure, Pressure).Value;
    c.TemperatureC = Parse(ConditionField::Temperature, Temperature).Value;
    c.RelativeHumidityPercent = Parse(ConditionField::RelativeHumidity, Humidity).Value;
    c.FrequencyMHz = Parse(ConditionField::Frequency, Frequency).Value;
    return c;
}

void SettingsWindow::ApplyClick() {
    for (const Field& f : fields_) {
        if (!Parse(f.Kind, f.Edit).Problem.empty()) {
            return; // Apply is disabled then; a refused value never gets through
        }
    }
    const ObservingConditions shown = Shown();
    if (!SaveObservingConditions(directory_, shown)) {
        messages_.Error("The settings could not be written to Vanset.ini; they hold for this "
                        "run only.");
    }
    if (shown != conditions_) {
        conditions_ = shown;
        emit Applied();
    }
}

} // namespace vantrel
