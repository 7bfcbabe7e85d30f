#include "convert/WorkingImage.h"

#include <algorithm>
#include <exception>
#include <iterator>

#include "convert/BatchRun.h"
#include "imaging/Error.h"
#include "imaging/Ik5Effect.h"

namespace convert::images {

bool IsAlive(imaging::Handle handle) {
    if (handle == 0) return false;
    try {
        imaging::ImageStore::Instance().Get(handle);
        return true;
    } catch (const imaging::Error&) {
        return false;
    }
}

void Release(imaging::Handle& handle) {
    const imaging::Handle held = handle;
    handle = 0; // remembered as released, so it is never released twice
    if (IsAlive(held)) imaging::ImageStore::Instance().Delete(held);
}

void CommitEffect(imaging::TIk5Effect& effect) {
    Release(effect.InImgHandle);
    effect.InImgHandle = effect.OutImgHandle;
}

void ReleaseAll(RunComponents& c) {
    imaging::Handle* handles[] = {&c.Ik5File1.ImgHandle, &c.Ik5File2.ImgHandle, &c.Ik5Effect1.InImgHandle,
                                  &c.Ik5Effect1.OutImgHandle};
    for (imaging::Handle* handle : handles) {
        const imaging::Handle held = *handle;
        *handle = 0;
        // The same image may be named by several controls: released once, the others find it gone.
        if (IsAlive(held)) imaging::ImageStore::Instance().Delete(held);
    }
}

} // namespace convert::images
