#include "app/PictureLoad.h"

#include "convert/WorkingImage.h"
#include "imaging/Ik5File.h"
#include "imaging/QImageBridge.h"

namespace app {

LoadedPicture LoadPicture(const std::string& file, QSize bounds) {
    imaging::TIk5File loader;
    loader.FileName = file;
    loader.Action = imaging::TIk5File::kLoad;
    struct Release {
        imaging::TIk5File& loader;
        ~Release() { convert::images::Release(loader.ImgHandle); }
    } release{loader};
    loader.Execute(); // regular files only: a pipe or a device is refused without a wait
    loader.GetImageInfo();
    return {imaging::ToQImage(loader.ImgHandle, bounds), loader.ImgWidth, loader.ImgHeight};
}

} // namespace app
