#include "app/ResultView.h"
#include "app/PictureLoad.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <mutex>
#include <optional>

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include "convert/ErrorText.h"
#include "convert/ResultPreview.h"
#include "convert/Stages.h"

namespace app {

namespace {

// The display never needs more pixels than this on a side.
constexpr int kMostShown = 1600;

struct PendingRequest {
    convert::RunOptions options;
    std::string source;
    unsigned serial = 0;
};

// The encoded result decoded by the imaging component from memory: the bytes go into an anonymous in-memory file
// (nothing is written to any file system), which the decoders open by its /proc name like any file.
QImage Decode(const convert::RenderedResult& result) {
    const int fd = ::memfd_create("kelvo-result", MFD_CLOEXEC);
    if (fd < 0) throw std::runtime_error("the result could not be kept for showing");
    struct Close {
        int fd;
        ~Close() { ::close(fd); }
    } close{fd};
    for (std::size_t done = 0; done < result.bytes.size();) {
        const ssize_t wrote = ::write(fd, result.bytes.data() + done, result.bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) throw std::runtime_error("the result could not be kept for showing");
        done += std::size_t(wrote);
    }
    return LoadPicture("/proc/self/fd/" + std::to_string(fd), QSize(kMostShown, kMostShown)).image;
}

} // namespace

struct ResultView::State : std::enable_shared_from_this<ResultView::State> {
    QPointer<QObject> receiver;
    std::function<void(const QImage&, const QString&)> show;
    std::mutex mutex;
    std::optional<PendingRequest> waiting;
    bool busy = false;
    unsigned latest = 0; // the serial of the newest request; a result of any other is dropped

    void StartLocked() {
        PendingRequest request = std::move(*waiting);
        waiting.reset();
        busy = true;
        QThreadPool::globalInstance()->start([self = shared_from_this(), request = std::move(request)] {
            QImage picture;
            QString caption;
            try {
                convert::ConversionStages stages;
                if (auto result = convert::RenderResult(request.options, request.source, stages)) {
                    picture = Decode(*result);
                    caption = QString::fromStdString(convert::ResultCaption(*result));
                }
            } catch (const std::exception& error) {
                caption = QString::fromStdString(convert::DescribeError(error));
            }
            self->Finished(request.serial, std::move(picture), std::move(caption));
        });
    }

    void Finished(unsigned serial, QImage picture, QString caption) {
        {
            std::lock_guard lock(mutex);
            busy = false;
            if (waiting) StartLocked();
            if (serial != latest) return;
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self = shared_from_this(), serial, picture = std::move(picture), caption = std::move(caption)] {
                {
                    std::lock_guard lock(self->mutex);
                    if (serial != self->latest) return;
                }
                if (self->receiver) self->show(picture, caption);
            },
            Qt::QueuedConnection);
    }
};

ResultView::ResultView(QObject* receiver, std::function<void(const QImage&, const QString&)> show)
    : state_(std::make_shared<State>()) {
    state_->receiver = receiver;
    state_->show = std::move(show);
}

ResultView::~ResultView() {
    Cancel();
}

void ResultView::Request(convert::RunOptions options, std::string source) {
    std::lock_guard lock(state_->mutex);
    state_->waiting = PendingRequest{std::move(options), std::move(source), ++state_->latest};
    if (!state_->busy) state_->StartLocked();
}

void ResultView::Cancel() {
    std::lock_guard lock(state_->mutex);
    state_->waiting.reset();
    ++state_->latest;
}

} // namespace app
