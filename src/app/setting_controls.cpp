#include "app/setting_controls.h"

#include "model/product_models.h"

#include <cstdio>

namespace kestrelon {

std::string ShortestGeneral(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

std::string SleepPeriodLabel(int v) { return ShortestGeneral((256 - v) * 9.1418) + "ms"; }

std::string WakeupPeriodLabel(int v) { return ShortestGeneral((v + 1) * 400 / 1000.0) + "ms"; }

std::optional<ModelLook> ModelLookFor(int itemIndex) {
    const ProductModel* m = ModelAt(itemIndex);
    if (!m) return std::nullopt;
    return ModelLook{m->suspendAndLrm, m->suspendAndLrm, m->fnKeys, m->suspendAndLrm ? 428 : 224};
}

UsbIdentityWatch::UsbIdentityWatch(Observed<ProductSettings>& options, const RunState& run,
                                   std::function<void()> save)
    : options_(options),
      run_(run),
      save_(std::move(save)),
      vid_(options->VidSet),
      pid_(options->PidSet),
      desc_(options->StringDesc) {
    watch_ = options_.changed.connect([this] { changed(); });
}

UsbIdentityWatch::~UsbIdentityWatch() = default;

void UsbIdentityWatch::changed() {
    const ProductSettings& o = *options_;
    if (o.VidSet == vid_ && o.PidSet == pid_ && o.StringDesc == desc_) return;
    vid_ = o.VidSet;
    pid_ = o.PidSet;
    desc_ = o.StringDesc;
    if (quiet_ == 0 && run_.RunMode == RunIdle && save_) save_();
}

} // namespace kestrelon
