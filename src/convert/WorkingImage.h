#pragma once
// Who holds the images of a conversion. The controls pass 32-bit handles between them: the file control loads
// into ImgHandle and saves from it, the effect control reads InImgHandle (the working image) and puts its result
// in OutImgHandle. An image is let go only through these functions, so that none is released twice (a control
// may still name an image released already; handles are never reused, so that one is simply gone) and none is
// left behind.
#include "imaging/ImageStore.h"

namespace imaging {
class TIk5Effect;
}

namespace convert {

struct RunComponents;

namespace images {

// True when the store still holds the image (0 and released handles give false).
bool IsAlive(imaging::Handle handle);
// Releases the image `handle` names, if it still lives, and sets the handle to 0.
void Release(imaging::Handle& handle);
// After an effect: the working image goes and the effect's result becomes the working image.
void CommitEffect(imaging::TIk5Effect& effect);
// Every image the controls of a run may still name, each once; every handle set to 0.
void ReleaseAll(RunComponents& components);

// The owner of the images held by a set of controls that live only for one job (a worker of a parallel run, the
// result view's run): whatever they still name when the job ends, however it ends, is let go.
class HeldImages {
public:
    explicit HeldImages(RunComponents& components) : components_(components) {}
    ~HeldImages() { ReleaseAll(components_); }
    HeldImages(const HeldImages&) = delete;
    HeldImages& operator=(const HeldImages&) = delete;

private:
    RunComponents& components_;
};

} // namespace images
} // namespace convert
