#include "scanwin/ScanSkyPanel.h"

#include "scan/ColdSkyReference.h"
#include "trackwin/ColdSkySearch.h"

#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

namespace vantrel {

namespace {

QString Kelvin(double k) {
    return std::isfinite(k) ? QString::number(k, 'f', 0) + QStringLiteral(" K")
                            : QStringLiteral("hidden");
}

} // namespace

ScanSkyPanel::ScanSkyPanel(const QString& skyFolder, QWidget* parent) : QWidget(parent) {
    Text = new QLabel(this);
    Text->setObjectName(QStringLiteral("ColdSkyText"));
    Text->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Text);
    search_ = new ColdSkySearch(this);
    search_->SetFolder(skyFolder);
    connect(search_, &ColdSkySearch::Found, this, &ScanSkyPanel::Found);
}

bool ScanSkyPanel::Busy() const {
    return search_->Busy();
}

bool ScanSkyPanel::Ask(const scan::ScanSettings& settings, double beamDeg,
                       const HomeStation& station, const ObservingConditions& conditions,
                       SunMoonLibrary& library, DateTime utc, const HorizonProfile* horizon,
                       QString& why) {
    std::string problem;
    auto request = scan::ColdSkyRequestOf(settings.Source, station, conditions, library, utc,
                                          beamDeg, problem);
    if (!request) {
        why = QString::fromStdString(problem);
        Text->setText(QStringLiteral("Sky model: ") + why);
        return false;
    }
    request->OffBeams = settings.OffBeams;
    if (horizon != nullptr) {
        request->Hidden = [profile = *horizon](double az, double el) {
            return profile.Hides(az, el);
        };
    }
    asked_ = settings;
    asked_.BeamwidthDeg = beamDeg;
    Text->setText(QStringLiteral("Sky model: searching\u2026"));
    search_->Find(*request, conditions.FrequencyMHz);
    return true;
}

void ScanSkyPanel::Found() {
    plan_.reset();
    const auto& found = search_->Last();
    if (!found) {
        why_ = search_->Problem();
        Text->setText(QStringLiteral("Sky model: ") + why_);
        emit Answered();
        return;
    }
    std::string why;
    const double el = found->Point ? found->Point->ElevationDeg : 0.0;
    plan_ =
        scan::ChooseOffPoint(asked_.OffBy, *found, asked_.OffBeams, asked_.BeamwidthDeg, el, why);
    why_ = QString::fromStdString(why);
    QString text = QStringLiteral("Coldest sky: ") +
                   QString::fromStdString(scan::ColdSkyReferenceText(*found));
    if (asked_.OffBy == scan::OffChoice::ColderSide) {
        text += QStringLiteral("; %1 beams aside: %2 at larger, %3 at smaller azimuth")
                    .arg(QString::number(asked_.OffBeams, 'g', 4), Kelvin(found->PlusTskyK),
                         Kelvin(found->MinusTskyK));
    }
    Text->setText(text);
    emit Answered();
}

} // namespace vantrel
