#include "receiverwin/ReceiverYPanel.h"

#include "receiverwin/ReceiverTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace vantrel {

namespace {

constexpr const char* kRefusedStyle = "color: #b00000";
constexpr const char* kStaleStyle = "color: #808080";
constexpr const char* kPromptStyle = "color: black; background: #fff2b0; padding: 3px";

/// 10 log10 of the mean linear power of blocks, dB.
double LevelDb(std::span<const PowerBlock> blocks) {
    double linear = 0;
    for (const PowerBlock& b : blocks) {
        linear += std::pow(10.0, b.PowerDb / 10.0);
    }
    return 10.0 * std::log10(linear / static_cast<double>(blocks.size()));
}

} // namespace

using namespace receiver_text;

ReceiverYPanel::ReceiverYPanel(const QFont& large, QWidget* parent) : QWidget(parent) {
    const auto label = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QLatin1String(name));
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    const auto button = [this](const char* name, const QString& text, const QString& tip) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        return b;
    };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* reference = new QHBoxLayout;
    ReferenceButton = button(
        "ReferenceButton", QStringLiteral("Reference"),
        QStringLiteral("Hold the blocks since the last change (the latest %1) as the cold-sky "
                       "level: point at cold sky beside the source and let a few blocks come "
                       "first")
            .arg(kLiveYBlocks));
    ReferenceText = label("ReferenceText");
    reference->addWidget(ReferenceButton);
    reference->addWidget(ReferenceText, 1);
    layout->addLayout(reference);
    LiveYText = label("LiveYText");
    LiveYText->setFont(large);
    layout->addWidget(LiveYText);
    MethodText = label("MethodText");
    layout->addWidget(MethodText);
    OffSource = label("OffSource");
    OffSource->setStyleSheet(QLatin1String(kRefusedStyle));
    OffSource->hide();
    layout->addWidget(OffSource);

    auto* sequence = new QHBoxLayout;
    SequenceButton = button(
        "SequenceButton", QStringLiteral("Off-on-off"),
        QStringLiteral("A reference before and after the reading on the source: the receiver's "
                       "drift between them is taken out"));
    CancelButton = button("CancelButton", QStringLiteral("Cancel"),
                          QStringLiteral("End the off-on-off sequence"));
    CancelButton->hide();
    Prompt = label("Prompt");
    Prompt->setStyleSheet(QLatin1String(kPromptStyle));
    Prompt->hide();
    // The buttons keep their size while the prompt is hidden.
    for (QPushButton* b : {SequenceButton, CancelButton}) {
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    sequence->addWidget(SequenceButton);
    sequence->addWidget(CancelButton);
    sequence->addWidget(Prompt, 1);
    sequence->addStretch(0);
    layout->addLayout(sequence);

    auto* use = new QHBoxLayout;
    UseYButton = button("UseYButton", QStringLiteral("Use this Y"),
                        QStringLiteral("Put this Y-factor, its σ and how it was measured into the "
                                       "Measure window's measured Y"));
    YNote = label("YNote");
    use->addWidget(UseYButton);
    use->addWidget(YNote, 1);
    layout->addLayout(use);

    connect(SequenceButton, &QPushButton::clicked, this, &ReceiverYPanel::SequenceClick);
    connect(CancelButton, &QPushButton::clicked, this, [this] {
        core_.CancelSequence();
        Show(context_);
    });
}

void ReceiverYPanel::SequenceClick() {
    using Step = LiveYFactor::Step;
    if (core_.SequenceStep() == Step::None || core_.SequenceStep() == Step::Done) {
        core_.StartSequence();
    } else {
        core_.NextStep(); // refused with too few blocks: the prompt says how many
    }
    Show(context_);
}

std::optional<YEstimate> ReceiverYPanel::UsableY() const {
    using Step = LiveYFactor::Step;
    const Step step = core_.SequenceStep();
    if ((step != Step::None && step != Step::Done) || !context_.SameSetup || !context_.CanHand ||
        context_.Target.isEmpty()) {
        return std::nullopt;
    }
    std::optional<YEstimate> y = core_.Y();
    if (!y || !y->Problem.empty()) {
        return std::nullopt;
    }
    return y;
}

QString ReceiverYPanel::OffSourceWarning() const {
    const std::optional<double> off = core_.LargestOnOffsetBeams();
    if (!off || *off <= kOffSourceBeams) {
        return {};
    }
    return QStringLiteral("The antenna was %1 HPBW from the source while the blocks on it were "
                          "taken (more than %2): this Y is too low. Point at the source and "
                          "measure again.")
        .arg(Fixed(*off, 2), Fixed(kOffSourceBeams, 1));
}

void ReceiverYPanel::Show(const YPanelContext& context) {
    context_ = context;
    using Step = LiveYFactor::Step;
    const Step step = core_.SequenceStep();
    const std::span<const PowerBlock> reference = core_.ReferenceBlocks();
    if (!reference.empty()) {
        SetText(ReferenceText,
                QStringLiteral("Reference %1 %2, mean of %3 blocks, %4\u2013%5 UTC")
                    .arg(Fixed(LevelDb(reference), 3), context.Unit)
                    .arg(reference.size())
                    .arg(Clock(reference.front().UtcStart), Clock(reference.back().UtcEnd)));
    } else {
        SetText(ReferenceText, QStringLiteral("No reference: point at cold sky, let a few blocks "
                                              "come, then Reference (or Off-on-off)."));
    }

    const bool inSequence = step != Step::None && step != Step::Done;
    SequenceButton->setText(step == Step::FirstOff || step == Step::SecondOff
                                ? QStringLiteral("Off taken")
                            : step == Step::On ? QStringLiteral("On taken")
                                               : QStringLiteral("Off-on-off"));
    SequenceButton->setEnabled(context.Live || inSequence);
    CancelButton->setVisible(inSequence);
    const QString prompt = FromStd(core_.Prompt());
    SetText(Prompt, prompt);
    Prompt->setVisible(!prompt.isEmpty());

    const std::optional<YEstimate> y = core_.Y();
    const QString style = context.Live ? QString() : QLatin1String(kStaleStyle);
    if (LiveYText->styleSheet() != style) {
        LiveYText->setStyleSheet(style);
    }
    bool refused = false;
    if (y && !std::isfinite(y->YDb)) {
        // No block yet since the reference or the step began.
        SetText(LiveYText, QStringLiteral("Y \u2014 dB"));
        SetText(MethodText, QString());
        SetText(YNote, FromStd(y->Problem));
    } else if (!y || (!context.SameSetup && step != Step::Done)) {
        SetText(LiveYText, QStringLiteral("Y \u2014 dB"));
        SetText(MethodText, QString());
        SetText(YNote, reference.empty() || context.SameSetup
                           ? QString()
                           : QStringLiteral("The reference was taken with other settings: take "
                                            "it again."));
    } else {
        SetText(LiveYText,
                QStringLiteral("Y %1 \u00b1 %2 dB").arg(Fixed(y->YDb, 3), Fixed(y->SigmaDb, 3)));
        SetText(MethodText,
                QStringLiteral("Method: %1 \u00b7 \u03c3 radiometer %2, scatter %3, drift %4 dB "
                               "\u00b7 %5 blocks, %6\u2013%7 UTC")
                    .arg(FromStd(y->Method), Fixed(y->RadiometerSigmaDb, 4),
                         Fixed(y->ScatterSigmaDb, 4), Fixed(y->DriftSigmaDb, 4))
                    .arg(y->Blocks)
                    .arg(Clock(y->FirstUtc), Clock(y->LastUtc)));
        if (!y->Problem.empty()) {
            SetText(YNote, FromStd(y->Problem));
            refused = true;
        } else if (inSequence) {
            SetText(YNote, QStringLiteral("Live, against the sequence's first off; the "
                                          "off-on-off Y follows its last step."));
        } else if (context.Target.isEmpty() || !context.CanHand) {
            SetText(YNote, QStringLiteral("The Measure window has no source to take it."));
        } else {
            SetText(YNote, QStringLiteral("for %1 in the Measure window").arg(context.Target));
        }
    }
    YNote->setStyleSheet(refused ? QLatin1String(kRefusedStyle) : QString());
    const QString off = y ? OffSourceWarning() : QString();
    SetText(OffSource, off);
    OffSource->setVisible(!off.isEmpty());
    UseYButton->setEnabled(UsableY().has_value());
}

} // namespace vantrel
