#pragma once
// The file component: loads images into the store and saves them, one operation per Execute.
// Set the properties, then call Execute; a failure raises imaging::Error naming the file.
#include <cstdint>
#include <functional>
#include <string>

#include "files/AtomicFile.h"
#include "imaging/ImageStore.h"

namespace imaging {

class TIk5File {
public:
    enum ActionCode : std::int16_t {
        kLoad = 0,
        kSaveBmp = 8,
        kSaveJpeg = 10,
        kSaveProgressiveJpeg = 11,
        kSavePng = 20,
        kSaveFpx = 21,
        kSaveFpxJpeg = 23,
        kSavePcx = 24,
        kSaveWebp = 30, // beyond the component's own actions: lossy WebP at JpegQuality
        kSaveAvif = 31, // and AVIF (AV1 in HEIF) at JpegQuality
    };

    std::string FileName; // UTF-8 path of the file to load or save
    std::int16_t Action = kLoad;
    Handle ImgHandle = 0;      // after a load: the new image; before a save: the image to write
    std::int32_t ImgWidth = 0; // filled by GetImageInfo
    std::int32_t ImgHeight = 0;
    std::int16_t ImgBitCount = 0;
    std::int16_t JpegQuality = 75; // JPEG, FlashPix-JPEG, WebP and AVIF quality, 0..100
    std::int16_t JpegSubsamp = 0;  // 0: no chroma subsampling (4:4:4); otherwise 4:2:0
    std::string Comment;           // written by JPEG and PNG saves; the loaded file's comment after a load
    std::int16_t Interlace = 0;    // PNG Adam7 when true (-1)
    std::int16_t Transparent = 0;  // PNG transparent colour (PalRed, PalGreen, PalBlue) when true
    std::int16_t PalRed = 0;
    std::int16_t PalGreen = 0;
    std::int16_t PalBlue = 0;
    // What a JPEG, PNG, WebP or AVIF save carries over of the loaded file's EXIF and XMP: 0 nothing, 1 the shooting
    // information (no GPS position, maker notes or thumbnail), 2 all but the thumbnail (codecs/Metadata.h).
    std::int16_t Metadata = 0;
    // Raised during loads and saves with 0..100.
    std::function<void(TIk5File& sender, std::int16_t percent)> OnProgress;
    // When set, a save does not replace FileName: the complete file is handed over unpublished, for the receiver
    // to publish under that path (PendingFile::Publish) or to drop.
    std::function<void(files::PendingFile file, const std::string& path)> PendingSave;

    // Performs Action; returns 0. Raises Error on failure (a failed load leaves ImgHandle 0).
    std::int32_t Execute();
    // Describes the image named by ImgHandle; returns 0.
    std::int32_t GetImageInfo();

private:
    void Load();
    void Save();
    void Progress(int percent);

    std::string failureFile_; // the file the failure of the current Execute names
};

} // namespace imaging
