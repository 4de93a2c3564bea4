#include "tools/PowerInputFactory.h"

namespace vantrel {

PowerRunner::Factory PowerInputFactory(const PowerCommandLine& o) {
    switch (o.Input) {
    case PowerInputKind::Sdr:
        return [s = o.Sdr] { return MakeSdrInput(s); };
    case PowerInputKind::Audio:
        return [s = o.Audio] { return MakeAudioInput(s); };
    case PowerInputKind::Command:
        return [s = o.Command] { return MakeCommandInput(s); };
    case PowerInputKind::Rig:
        return [s = o.Rig] { return MakeRigInput(s); };
    }
    return {};
}

} // namespace vantrel
