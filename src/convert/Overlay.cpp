#include "convert/Overlay.h"

#include "convert/BatchRun.h"
#include "convert/SourceCheck.h"
#include "imaging/Error.h"
#include "imaging/ImageStore.h"
#include "sources/PathNames.h"

namespace convert {

int OverlayOpacity(int transparency) {
    if (transparency == 100) return 0;
    return 255 - transparency * 25 / 10;
}

bool OverlayUsable(const std::string& path) {
    if (path.empty() || !sources::IsUsablePath(path)) return false;
    // The check opens the file as every load does: a folder, a FIFO or a device is refused, never read.
    try {
        return !IsGifOrTiff(path);
    } catch (const imaging::Error&) {
        return false;
    }
}

std::optional<OverlayPoint> OverlayPosition(std::string_view placement, std::int32_t width, std::int32_t height,
                                            std::int32_t overlayWidth, std::int32_t overlayHeight) {
    if (placement == "左上") return OverlayPoint{0, 0};
    if (placement == "左下") return OverlayPoint{0, height - overlayHeight};
    if (placement == "右上") return OverlayPoint{width - overlayWidth, 0};
    if (placement == "右下") return OverlayPoint{width - overlayWidth, height - overlayHeight};
    if (placement == "中央") return OverlayPoint{width / 2 - overlayWidth / 2, height / 2 - overlayHeight / 2};
    return std::nullopt;
}

void DrawOverlay(BatchRun& run, int opacity) {
    RunComponents& c = run.Components();
    const RunOptions& options = run.Options();
    const std::uint32_t key = options.overlayKeyColour;
    const auto red = std::int16_t(key & 0xFF);
    const auto green = std::int16_t((key >> 8) & 0xFF);
    const auto blue = std::int16_t((key >> 16) & 0xFF);

    // The picture the run read when it started: every entry gets the same, whatever happens to the file.
    const RunPlan& plan = run.Plan();
    if (plan.overlayFailure) std::rethrow_exception(plan.overlayFailure);
    if (!plan.overlay) return;
    imaging::TIk5File& overlay = c.Ik5File2;
    run.ReleaseHeld(overlay);
    overlay.ImgHandle = imaging::ImageStore::Instance().Add(*plan.overlay);
    overlay.GetImageInfo();

    const std::optional<OverlayPoint> at = OverlayPosition(options.overlayPosition, run.Target().width,
                                                           run.Target().height, overlay.ImgWidth, overlay.ImgHeight);
    if (!at) return;
    imaging::TIk5Effect& effect = c.Ik5Effect1;
    using E = imaging::TIk5Effect;
    // The effect reads the working image (InImgHandle) and the overlay file's image; its result goes to
    // OutImgHandle, which CommitEffect makes the working image.
    if (effect.Composite(effect.InImgHandle, overlay.ImgHandle, std::int16_t(opacity), red, green, blue,
                         E::kNoCompositeFlag, E::kNoCompositeFlag, E::kCompositeFlagSet, at->x, at->y,
                         E::kCompositeTail) != 0)
        run.CommitEffect();
}

} // namespace convert
