// The Receiver window's input panel: one page of settings per input, the
// integration below, the fields read into the setup, and finding devices.
// Members of ReceiverWindow, kept apart from the window's runner and charts.

#include "receiverwin/ReceiverWindow.h"

#include "controls/FieldReasons.h"
#include "receiverwin/ReceiverSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <utility>

namespace vantrel {

namespace {

QString FromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Number(double v) {
    return QString::number(v, 'g', 15);
}

} // namespace

QGroupBox* ReceiverWindow::BuildInputPanel() {
    // The input and its settings: one page per input, the integration below.
    auto* inputBox = new QGroupBox(QStringLiteral("Input"), this);
    auto* inputLayout = new QVBoxLayout(inputBox);
    Input = new QComboBox(inputBox);
    Input->setObjectName(QStringLiteral("Input"));
    Input->addItems({QStringLiteral("SDR (SoapySDR)"), QStringLiteral("Sound card (ALSA)"),
                     QStringLiteral("Power meter (a command)"),
                     QStringLiteral("Rig S-meter (Hamlib)")});
    inputLayout->addWidget(Input);
    Pages = new QStackedWidget(inputBox);
    inputLayout->addWidget(Pages);

    const auto edit = [this](const char* name, QWidget* page) {
        auto* e = new QLineEdit(page);
        e->setObjectName(QLatin1String(name));
        fields_.push_back(e);
        return e;
    };
    // A label, the field (and what stands beside it) and the reason below.
    const auto row = [this](QGridLayout* grid, int r, const char* label, QWidget* field,
                            QLineEdit* watched, QWidget* beside = nullptr) {
        grid->addWidget(new QLabel(QString::fromUtf8(label), field->parentWidget()), 2 * r, 0);
        if (beside != nullptr) {
            auto* both = new QHBoxLayout;
            both->addWidget(field, 1);
            both->addWidget(beside);
            grid->addLayout(both, 2 * r, 1);
        } else {
            grid->addWidget(field, 2 * r, 1);
        }
        if (watched != nullptr) {
            QLabel* reason = reasons_->Watch(watched, [this, watched](const QString& text) {
                return FieldProblem(watched, text);
            });
            reason->setWordWrap(true);
            grid->addWidget(reason, 2 * r + 1, 0, 1, 2);
        }
    };

    auto* sdr = new QWidget(Pages);
    auto* sdrGrid = new QGridLayout(sdr);
    sdrGrid->setContentsMargins(0, 0, 0, 0);
    SdrDevice = new QComboBox(sdr);
    SdrDevice->setObjectName(QStringLiteral("SdrDevice"));
    SdrDevice->setEditable(true);
    SdrDevice->setInsertPolicy(QComboBox::NoInsert);
    SdrDevice->lineEdit()->setPlaceholderText(
        QStringLiteral("driver=rtlsdr (empty: the first SDR)"));
    SdrDevice->setToolTip(QStringLiteral(
        "SoapySDR device arguments: driver=rtlsdr, driver=airspy,serial=..., or empty for the "
        "first SDR found. Find lists the SDRs of the modules installed (soapysdr-module-*)."));
    FindSdrButton = new QPushButton(QStringLiteral("Find"), sdr);
    FindSdrButton->setObjectName(QStringLiteral("FindSdrButton"));
    SdrFrequency = edit("SdrFrequency", sdr);
    SdrFrequency->setToolTip(QStringLiteral(
        "The SDR's centre frequency, MHz. Empty: the observing frequency (Measure and Settings "
        "windows). Give one behind a converter: its IF."));
    SdrRate = edit("SdrRate", sdr);
    SdrGain = edit("SdrGain", sdr);
    SdrGain->setPlaceholderText(QStringLiteral("the device's"));
    SdrGain->setToolTip(QStringLiteral(
        "A fixed gain, dB: the automatic gain (AGC) is always turned off, since it would take "
        "away the very difference measured. Keep the clipped count at 0 on the strongest "
        "source."));
    SdrAntenna = edit("SdrAntenna", sdr);
    SdrAntenna->setPlaceholderText(QStringLiteral("the device's"));
    SdrPpm = edit("SdrPpm", sdr);
    SdrPpm->setPlaceholderText(QStringLiteral("the device's"));
    SdrPpm->setToolTip(QStringLiteral("Frequency correction of the SDR's reference crystal, ppm"));
    SdrSettings = edit("SdrSettings", sdr);
    SdrSettings->setPlaceholderText(QStringLiteral("biastee=true, direct_samp=2"));
    SdrSettings->setToolTip(QStringLiteral(
        "The device's own settings, KEY=VALUE by the names its module gives (bias-T, direct "
        "sampling ...): the messages list what the SDR offers once it is open."));
    SdrGainElements = edit("SdrGainElements", sdr);
    SdrGainElements->setPlaceholderText(QStringLiteral("LNA=20, MIX=5"));
    SdrGainElements->setToolTip(QStringLiteral(
        "Gains of single elements, NAME=DB by the names the device gives them (LNA, MIX, VGA, "
        "TUNER ...), set after the overall gain."));
    SdrBand = edit("SdrBand", sdr);
    SdrBand->setPlaceholderText(QStringLiteral("the band less 10 % at each edge"));
    SdrBand->setToolTip(QStringLiteral(
        "The band measured, LO:HI in Hz from the centre (-900000:900000); empty: the whole "
        "band without its edges. The DC spike at the centre is always left out."));
    row(sdrGrid, 0, "Device", SdrDevice, nullptr, FindSdrButton);
    row(sdrGrid, 1, "Centre frequency (MHz)", SdrFrequency, SdrFrequency);
    row(sdrGrid, 2, "Sample rate (S/s)", SdrRate, SdrRate);
    row(sdrGrid, 3, "Gain (dB, AGC off)", SdrGain, SdrGain);
    row(sdrGrid, 4, "Antenna port", SdrAntenna, nullptr);
    row(sdrGrid, 5, "Band (Hz from centre)", SdrBand, SdrBand);
    row(sdrGrid, 6, "Correction (ppm)", SdrPpm, SdrPpm);
    row(sdrGrid, 7, "Settings", SdrSettings, SdrSettings);
    row(sdrGrid, 8, "Gain elements (dB)", SdrGainElements, SdrGainElements);
    sdrGrid->setRowStretch(12, 1);
    Pages->addWidget(sdr);

    auto* audio = new QWidget(Pages);
    auto* audioGrid = new QGridLayout(audio);
    audioGrid->setContentsMargins(0, 0, 0, 0);
    AudioDevice = new QComboBox(audio);
    AudioDevice->setObjectName(QStringLiteral("AudioDevice"));
    AudioDevice->setEditable(true);
    AudioDevice->setInsertPolicy(QComboBox::NoInsert);
    AudioDevice->setToolTip(QStringLiteral(
        "The ALSA device: default, pulse, hw:1,0, plughw:1 ... Find lists those that capture."));
    FindAudioButton = new QPushButton(QStringLiteral("Find"), audio);
    FindAudioButton->setObjectName(QStringLiteral("FindAudioButton"));
    AudioRate = edit("AudioRate", audio);
    AudioChannel = edit("AudioChannel", audio);
    AudioChannel->setToolTip(QStringLiteral("1 the first (left) channel, 2 the second (right)"));
    AudioBand = edit("AudioBand", audio);
    AudioBand->setPlaceholderText(QStringLiteral("the band less 10 % at each edge"));
    AudioBand->setToolTip(QStringLiteral(
        "The receiver's passband, LO:HI in Hz (300:2700 for SSB): hum and the filter's skirts "
        "left out, and the bandwidth B true."));
    row(audioGrid, 0, "Device", AudioDevice, nullptr, FindAudioButton);
    row(audioGrid, 1, "Rate (S/s)", AudioRate, AudioRate);
    row(audioGrid, 2, "Channel", AudioChannel, AudioChannel);
    row(audioGrid, 3, "Band (Hz)", AudioBand, AudioBand);
    audioGrid->setRowStretch(12, 1);
    Pages->addWidget(audio);

    auto* command = new QWidget(Pages);
    auto* commandGrid = new QGridLayout(command);
    commandGrid->setContentsMargins(0, 0, 0, 0);
    Command = edit("Command", command);
    Command->setPlaceholderText(QStringLiteral("./read-meter.sh"));
    Command->setToolTip(QStringLiteral(
        "A program printing one power reading a line, run by /bin/sh -c. Its standard error "
        "is shown below. One that prints its readings and exits (curl, a meter script that "
        "reads once) is a polled meter: it is run again after the poll interval."));
    Unit = new QComboBox(command);
    Unit->setObjectName(QStringLiteral("Unit"));
    for (const auto& [unit, shown] :
         {std::pair{ReadingUnit::Dbm, "dBm"}, std::pair{ReadingUnit::Db, "dB"},
          std::pair{ReadingUnit::Watt, "W"}, std::pair{ReadingUnit::Milliwatt, "mW"}}) {
        const std::string_view key = ReadingUnitKey(unit);
        Unit->addItem(QLatin1String(shown),
                      QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size())));
    }
    Column = edit("Column", command);
    CommandPoll = edit("CommandPoll", command);
    CommandPoll->setPlaceholderText(QStringLiteral("at once"));
    CommandPoll->setToolTip(QStringLiteral(
        "A polled meter (a command that prints its readings and exits): seconds from its end to "
        "its next run, 0 to 3600; empty: at once. Its readings are averaged over the blocks."));
    row(commandGrid, 0, "Command", Command, nullptr);
    row(commandGrid, 1, "Unit", Unit, nullptr);
    row(commandGrid, 2, "Column", Column, Column);
    row(commandGrid, 3, "Poll every (s)", CommandPoll, CommandPoll);
    commandGrid->setRowStretch(12, 1);
    Pages->addWidget(command);

    auto* rig = new QWidget(Pages);
    auto* rigGrid = new QGridLayout(rig);
    rigGrid->setContentsMargins(0, 0, 0, 0);
    RigModel = edit("RigModel", rig);
    RigModel->setToolTip(QStringLiteral("Hamlib's rig model: 2 for a rigctld ('rigctl -l' lists "
                                        "them)"));
    RigDevice = edit("RigDevice", rig);
    RigDevice->setToolTip(QStringLiteral("Serial port, or host:port of a rigctld"));
    auto* rigNote = new QLabel(
        QStringLiteral("The S-meter reads whole dB on the maker's scale: fit for peaking the "
                       "antenna, not for G/T."),
        rig);
    rigNote->setWordWrap(true);
    row(rigGrid, 0, "Rig model", RigModel, RigModel);
    row(rigGrid, 1, "Device", RigDevice, nullptr);
    rigGrid->addWidget(rigNote, 4, 0, 1, 2);
    rigGrid->setRowStretch(12, 1);
    Pages->addWidget(rig);

    auto* common = new QGridLayout;
    Tau = edit("Tau", inputBox);
    Tau->setToolTip(
        QStringLiteral("Integration time of a block, 0.1 to 600 s: σ falls as 1/√(B·τ)."));
    Bins = edit("Bins", inputBox);
    Bins->setToolTip(QStringLiteral("Bins of the averaged spectrum (SDR and sound card)"));
    Rfi = new QCheckBox(QStringLiteral("RFI filter"), inputBox);
    Rfi->setObjectName(QStringLiteral("Rfi"));
    Rfi->setToolTip(QStringLiteral(
        "Leave out bins far above their neighbours (spurs, carriers): 6 robust standard "
        "deviations of their median"));
    Mark = new QComboBox(inputBox);
    Mark->setObjectName(QStringLiteral("Mark"));
    Mark->addItem(QStringLiteral("none"), static_cast<int>(PowerMark::None));
    Mark->addItem(QStringLiteral("on source"), static_cast<int>(PowerMark::On));
    Mark->addItem(QStringLiteral("off source"), static_cast<int>(PowerMark::Off));
    Mark->setToolTip(QStringLiteral("The mark the blocks to come get in the power log"));
    common->addWidget(new QLabel(QStringLiteral("\u03c4 (s)"), inputBox), 0, 0);
    common->addWidget(Tau, 0, 1);
    common->addWidget(new QLabel(QStringLiteral("Bins"), inputBox), 0, 2);
    common->addWidget(Bins, 0, 3);
    const auto reasonOf = [this](QLineEdit* e) {
        QLabel* reason =
            reasons_->Watch(e, [this, e](const QString& text) { return FieldProblem(e, text); });
        reason->setWordWrap(true);
        return reason;
    };
    common->addWidget(reasonOf(Tau), 1, 0, 1, 4);
    common->addWidget(reasonOf(Bins), 2, 0, 1, 4);
    common->addWidget(Rfi, 3, 0, 1, 2);
    common->addWidget(new QLabel(QStringLiteral("Mark"), inputBox), 3, 2);
    common->addWidget(Mark, 3, 3);
    inputLayout->addLayout(common);
    return inputBox;
}

void ReceiverWindow::ShowSetup() {
    const ReceiverSetup s = setup_; // each change reads the fields back
    const QSignalBlocker quiet(Input);
    Input->setCurrentIndex(static_cast<int>(s.Input));
    Pages->setCurrentIndex(static_cast<int>(s.Input));
    Bins->setEnabled(s.Input == ReceiverInput::Sdr || s.Input == ReceiverInput::Audio);
    SdrDevice->setEditText(FromStd(s.Sdr.DeviceArgs));
    SdrFrequency->setText(s.Sdr.FrequencyMHz ? Number(*s.Sdr.FrequencyMHz) : QString());
    SdrRate->setText(Number(s.Sdr.RateHz));
    SdrGain->setText(s.Sdr.GainDb ? Number(*s.Sdr.GainDb) : QString());
    SdrAntenna->setText(FromStd(s.Sdr.Antenna));
    SdrPpm->setText(s.Sdr.PpmCorrection ? Number(*s.Sdr.PpmCorrection) : QString());
    SdrSettings->setText(FromStd(SdrSettingsText(s.Sdr.Settings)));
    SdrGainElements->setText(FromStd(GainElementsText(s.Sdr.GainElements)));
    SdrBand->setText(FromStd(BandText(s.SdrBand)));
    AudioDevice->setEditText(FromStd(s.Audio.Device));
    AudioRate->setText(QString::number(s.Audio.RateHz));
    AudioChannel->setText(QString::number(s.Audio.Channel));
    AudioBand->setText(FromStd(BandText(s.AudioBand)));
    Command->setText(FromStd(s.Command.Command));
    {
        const QSignalBlocker quietUnit(Unit);
        const std::string_view key = ReadingUnitKey(s.Command.Unit);
        Unit->setCurrentIndex(std::max(0, Unit->findData(QString::fromLatin1(
                                              key.data(), static_cast<qsizetype>(key.size())))));
    }
    Column->setText(QString::number(s.Command.Column));
    CommandPoll->setText(s.Command.PollS > 0 ? Number(s.Command.PollS) : QString());
    RigModel->setText(QString::number(s.Rig.Model));
    RigDevice->setText(FromStd(s.Rig.Device));
    Tau->setText(Number(s.TauS));
    Bins->setText(QString::number(s.Bins));
    const QSignalBlocker quietRfi(Rfi);
    Rfi->setChecked(s.RfiFilter);
}

QString ReceiverWindow::FieldProblem(const QLineEdit* edit, const QString& text) const {
    const std::string typed = text.toStdString();
    const auto number = [&typed](ReceiverField f) {
        return FromStd(ParseReceiverNumber(f, typed).Problem);
    };
    if (edit == SdrFrequency) {
        return number(ReceiverField::SdrFrequencyMHz);
    }
    if (edit == SdrRate) {
        return number(ReceiverField::SdrRateHz);
    }
    if (edit == SdrGain) {
        return number(ReceiverField::SdrGainDb);
    }
    if (edit == AudioRate) {
        return number(ReceiverField::AudioRateHz);
    }
    if (edit == AudioChannel) {
        return number(ReceiverField::AudioChannel);
    }
    if (edit == Column) {
        return number(ReceiverField::Column);
    }
    if (edit == CommandPoll) {
        return number(ReceiverField::PollS);
    }
    if (edit == RigModel) {
        return number(ReceiverField::RigModel);
    }
    if (edit == Tau) {
        return number(ReceiverField::TauS);
    }
    if (edit == Bins) {
        return number(ReceiverField::Bins);
    }
    if (edit == SdrPpm) {
        return number(ReceiverField::SdrPpm);
    }
    if (edit == SdrSettings) {
        return FromStd(ParseSdrSettingsText(typed).Problem);
    }
    if (edit == SdrGainElements) {
        return FromStd(ParseGainElementsText(typed).Problem);
    }
    if (edit == SdrBand || edit == AudioBand) {
        return FromStd(ParseBandText(typed).Problem);
    }
    return {};
}

QString ReceiverWindow::Problem(const QLineEdit* field) const {
    return reasons_->Reason(field);
}

bool ReceiverWindow::ReadFields() {
    const auto input = static_cast<ReceiverInput>(std::clamp(Input->currentIndex(), 0, 3));
    // The fields that count for the input chosen: a refused value on
    // another input's page does not hold this one up.
    std::vector<QLineEdit*> counted = {Tau};
    switch (input) {
    case ReceiverInput::Sdr:
        counted.insert(counted.end(), {SdrFrequency, SdrRate, SdrGain, SdrBand, SdrPpm, SdrSettings,
                                       SdrGainElements, Bins});
        break;
    case ReceiverInput::Audio:
        counted.insert(counted.end(), {AudioRate, AudioChannel, AudioBand, Bins});
        break;
    case ReceiverInput::Command:
        counted.insert(counted.end(), {Column, CommandPoll});
        break;
    case ReceiverInput::Rig:
        counted.push_back(RigModel);
        break;
    }
    bool accepted = true;
    for (QLineEdit* e : counted) {
        accepted = reasons_->Check(e) && accepted;
    }
    // Every accepted value is taken; a refused one leaves the value in force.
    ReceiverSetup& s = setup_;
    s.Input = input;
    const auto take = [](QLineEdit* e, ReceiverField f, auto&& into) {
        const ParsedReceiverNumber p = ParseReceiverNumber(f, e->text().toStdString());
        if (p.Problem.empty()) {
            into(p.Value);
        }
    };
    s.Sdr.DeviceArgs = SdrDevice->currentText().trimmed().toStdString();
    take(SdrFrequency, ReceiverField::SdrFrequencyMHz,
         [&](std::optional<double> v) { s.Sdr.FrequencyMHz = v; });
    take(SdrRate, ReceiverField::SdrRateHz, [&](std::optional<double> v) { s.Sdr.RateHz = *v; });
    take(SdrGain, ReceiverField::SdrGainDb, [&](std::optional<double> v) { s.Sdr.GainDb = v; });
    s.Sdr.Antenna = SdrAntenna->text().trimmed().toStdString();
    take(SdrPpm, ReceiverField::SdrPpm, [&](std::optional<double> v) { s.Sdr.PpmCorrection = v; });
    if (const ParsedSdrSettings p = ParseSdrSettingsText(SdrSettings->text().toStdString());
        p.Problem.empty()) {
        s.Sdr.Settings = p.Settings;
    }
    if (const ParsedGainElements p = ParseGainElementsText(SdrGainElements->text().toStdString());
        p.Problem.empty()) {
        s.Sdr.GainElements = p.Elements;
    }
    for (auto [edit, band] : {std::pair{SdrBand, &s.SdrBand}, std::pair{AudioBand, &s.AudioBand}}) {
        const ParsedBand p = ParseBandText(edit->text().toStdString());
        if (p.Problem.empty()) {
            *band = p.Band;
        }
    }
    s.Audio.Device = AudioDevice->currentText().trimmed().toStdString();
    take(AudioRate, ReceiverField::AudioRateHz,
         [&](std::optional<double> v) { s.Audio.RateHz = static_cast<unsigned>(*v); });
    take(AudioChannel, ReceiverField::AudioChannel,
         [&](std::optional<double> v) { s.Audio.Channel = static_cast<unsigned>(*v); });
    s.Command.Command = Command->text().toStdString();
    s.Command.Unit =
        ParseReadingUnit(Unit->currentData().toString().toStdString()).value_or(ReadingUnit::Dbm);
    take(Column, ReceiverField::Column,
         [&](std::optional<double> v) { s.Command.Column = static_cast<int>(*v); });
    take(CommandPoll, ReceiverField::PollS,
         [&](std::optional<double> v) { s.Command.PollS = v.value_or(0.0); });
    take(RigModel, ReceiverField::RigModel,
         [&](std::optional<double> v) { s.Rig.Model = static_cast<int>(*v); });
    s.Rig.Device = RigDevice->text().trimmed().toStdString();
    take(Tau, ReceiverField::TauS, [&](std::optional<double> v) { s.TauS = *v; });
    take(Bins, ReceiverField::Bins,
         [&](std::optional<double> v) { s.Bins = static_cast<int>(*v); });
    s.RfiFilter = Rfi->isChecked();
    return accepted;
}

void ReceiverWindow::FindSdrClick() {
    if (!services_.FindSdrs) {
        return;
    }
    FindSdrButton->setEnabled(false);
    FindSdrButton->setText(QStringLiteral("Finding\u2026"));
    auto* watcher = new QFutureWatcher<std::vector<FoundSdr>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        const std::vector<FoundSdr> found = watcher->result();
        watcher->deleteLater();
        const QString typed = SdrDevice->currentText();
        SdrDevice->clear();
        for (const FoundSdr& f : found) {
            SdrDevice->addItem(FromStd(f.Args));
            SdrDevice->setItemData(SdrDevice->count() - 1, FromStd(f.Label), Qt::ToolTipRole);
        }
        SdrDevice->setEditText(typed);
        FindSdrButton->setEnabled(true);
        FindSdrButton->setText(QStringLiteral("Find"));
        Say(found.empty() ? QStringLiteral("No SDR found: is its SoapySDR module installed "
                                           "(soapysdr-module-rtlsdr, ... or soapysdr-module-all) "
                                           "and the device plugged in?")
                          : (found.size() == 1
                                 ? QStringLiteral("1 SDR found: choose it in the Device list.")
                                 : QStringLiteral("%1 SDRs found: choose one in the Device list.")
                                       .arg(found.size())));
        if (!found.empty()) {
            SdrDevice->showPopup();
        }
    });
    watcher->setFuture(QtConcurrent::run(services_.FindSdrs));
}

void ReceiverWindow::FindAudioClick() {
    if (!services_.FindAudio) {
        return;
    }
    FindAudioButton->setEnabled(false);
    auto* watcher = new QFutureWatcher<std::vector<FoundAudioDevice>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        const std::vector<FoundAudioDevice> found = watcher->result();
        watcher->deleteLater();
        const QString typed = AudioDevice->currentText();
        AudioDevice->clear();
        for (const FoundAudioDevice& f : found) {
            AudioDevice->addItem(FromStd(f.Name));
            AudioDevice->setItemData(AudioDevice->count() - 1, FromStd(f.Description),
                                     Qt::ToolTipRole);
        }
        AudioDevice->setEditText(typed);
        FindAudioButton->setEnabled(true);
        Say(found.empty() ? QStringLiteral("ALSA names no capture device.")
                          : QStringLiteral("%1 capture devices found: choose one in the Device "
                                           "list.")
                                .arg(found.size()));
        if (!found.empty()) {
            AudioDevice->showPopup();
        }
    });
    watcher->setFuture(QtConcurrent::run(services_.FindAudio));
}

} // namespace vantrel
