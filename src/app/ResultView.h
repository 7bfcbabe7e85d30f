#pragma once
// The preview's result view: the selected entry as the run would write it (convert::RenderResult), decoded from
// the encoded bytes so that JPEG artefacts and the PNG8 palette show. It is made on a pool thread: the window
// never waits. While one is being made, only the newest request is kept; a result that is no longer the one
// asked for last is dropped.
#include <functional>
#include <memory>
#include <string>

#include <QImage>
#include <QString>

#include "convert/RunOptions.h"

class QObject;

namespace app {

class ResultView {
public:
    // `show` receives, on the thread of `receiver`, the picture (null when there is nothing to show: a GIF or
    // TIFF entry) and the text for the caption above it ("200x150 → JPEG 23 KB", or the error).
    ResultView(QObject* receiver, std::function<void(const QImage&, const QString&)> show);
    ~ResultView();

    // Makes the result for `source` with these options (a later request replaces a waiting one).
    void Request(convert::RunOptions options, std::string source);
    // Drops what is waiting or being made: nothing more is shown until the next request.
    void Cancel();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace app
