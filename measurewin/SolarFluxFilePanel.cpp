#include "measurewin/SolarFluxFilePanel.h"

#include "measure/InputRanges.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>
#include <cstdio>

namespace vantrel {

namespace {

constexpr const char* kFlaggedStyle = "color: #b00000";

} // namespace

SolarFluxFilePanel::SolarFluxFilePanel(QWidget* parent) : QWidget(parent) {
    Load = new QPushButton(QStringLiteral("Load solar flux\u2026"), this);
    Load->setObjectName(QStringLiteral("LoadSolarFlux"));
    Load->setToolTip(QStringLiteral(
        "Read a solar observatory's file of the day's noon fluxes: NOAA SWPC's "
        "solar_radio_flux.txt, 7day_rad.txt or 45day_rad.txt, a Learmonth day file (LyyMMdd.SRD), "
        "NCEI's yearly noon flux file or Penticton's fluxtable.txt. The Sun then takes the flux "
        "of the station nearest the measurement, between the two frequencies around yours."));
    Forget = new QPushButton(QStringLiteral("Typed"), this);
    Forget->setObjectName(QStringLiteral("ForgetSolarFlux"));
    Forget->setToolTip(QStringLiteral("Forget the file: the Sun takes the flux typed above"));
    Forget->setEnabled(false);
    Choice = new QLabel(this);
    Choice->setObjectName(QStringLiteral("SolarFluxChoice"));
    Choice->setWordWrap(true);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(Load);
    line->addWidget(Forget);
    line->addWidget(Choice, 1);
    watcher_ = new QFutureWatcher<FileRead>(this);
    connect(watcher_, &QFutureWatcher<FileRead>::finished, this, &SolarFluxFilePanel::Done);
    connect(Load, &QPushButton::clicked, this, [this] {
        const QString path = AskPath ? AskPath() : QString();
        if (!path.isEmpty()) {
            Read(path, true);
        }
    });
    connect(Forget, &QPushButton::clicked, this, [this] { Read(QString(), true); });
    Show(nullptr);
}

void SolarFluxFilePanel::Read(const QString& path, bool asked) {
    path_ = path;
    asked_ = asked;
    read_.reset();
    choice_.reset();
    Forget->setEnabled(!path.isEmpty());
    if (path.isEmpty()) {
        reading_ = false;
        Show(nullptr);
        emit Changed();
        return;
    }
    reading_ = true;
    Choice->setText(QStringLiteral("Reading %1\u2026").arg(QFileInfo(path).fileName()));
    Choice->setStyleSheet(QString());
    const std::string file = path.toStdString();
    watcher_->setFuture(QtConcurrent::run([path, file] {
        return FileRead{path, std::make_shared<const measure::SolarFluxFileRead>(
                                  measure::ReadSolarFluxFile(file))};
    }));
}

void SolarFluxFilePanel::Done() {
    const FileRead done = watcher_->result();
    if (done.Path != path_) {
        return; // another file was asked for meanwhile
    }
    reading_ = false;
    read_ = done.Read;
    if (read_->Refused && asked_) {
        emit Refused(QStringLiteral("The solar flux file %1 cannot be used: %2")
                         .arg(path_, QString::fromStdString(*read_->Refused)));
    }
    emit Changed();
}

const measure::SolarFluxChoice* SolarFluxFilePanel::ChoiceAt(double frequencyMHz, DateTime utc) {
    if (!read_) {
        return nullptr;
    }
    const DecodedInstant d = DecodeInstant(utc);
    const double minutes = measure::UtcMinutesOf(d.Year, d.Month, d.Day, d.Hour * 60.0 + d.Minute);
    const auto minute = static_cast<long long>(std::floor(minutes));
    if (choice_ && choiceMHz_ == frequencyMHz && choiceMinute_ == minute) {
        return &*choice_;
    }
    choiceMHz_ = frequencyMHz;
    choiceMinute_ = minute;
    choice_ = measure::ChooseSolarFlux(*read_, frequencyMHz, minutes);
    // Held to what the typed flux takes: a flux no Sun gives is damage.
    if (!choice_->Refused && !measure::InRange(choice_->Sfu, measure::input_range::kSolarSfu)) {
        char text[160];
        std::snprintf(text, sizeof text, "%.1f sfu at %.0f MHz is not a solar flux, %s",
                      choice_->Sfu, frequencyMHz, measure::input_range::kSolarSfu.Text);
        choice_->Refused = text;
    }
    return &*choice_;
}

void SolarFluxFilePanel::Show(const measure::SolarFluxChoice* choice) {
    if (reading_) {
        return; // "Reading …" until it is read
    }
    QString text;
    bool flagged = false;
    const QString name = QFileInfo(path_).fileName();
    if (path_.isEmpty()) {
        text = QStringLiteral("The Sun takes the flux typed above.");
    } else if (choice == nullptr) {
        text = QStringLiteral("%1: not read").arg(name);
        flagged = true;
    } else if (choice->Refused) {
        text = QStringLiteral("%1: %2; the Sun takes the flux typed above.")
                   .arg(name, QString::fromStdString(*choice->Refused));
        flagged = true;
    } else {
        text = QStringLiteral("%1: %2 sfu, %3")
                   .arg(name, QString::number(choice->Sfu, 'f', 1),
                        QString::fromStdString(choice->Note));
        flagged = choice->Disagree;
    }
    if (Choice->text() != text) {
        Choice->setText(text);
        Choice->setToolTip(path_);
    }
    const QString style = flagged ? QLatin1String(kFlaggedStyle) : QString();
    if (Choice->styleSheet() != style) {
        Choice->setStyleSheet(style);
    }
}

} // namespace vantrel
