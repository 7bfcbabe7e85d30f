// Drops one folder onto each page of the main window (offscreen) and prints how long it took until the list
// held every file and the window had drawn itself again. Run by bench/biglist.
#include <cstdio>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>

#include "app/MainForm.h"
#include "sources/FileList.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: droplist FOLDER WORKFOLDER/\n");
        return 2;
    }
    QApplication application(argc, argv);
    const std::string folder = argv[1];
    const std::string work = argv[2];
    app::TForm1 form(work, work + "kelvo.ini");
    form.FormCreate({});
    QApplication::processEvents();
    for (int page : {0, 2}) {
        form.PageControl1->setCurrentIndex(page);
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        form.HandleDroppedFiles({folder});
        form.repaint();
        QApplication::processEvents();
        const int count = page == 0 ? form.ConversionList().Count() : form.RenameList().Count();
        std::printf("%s page: %d files listed in %.3f s\n", page == 0 ? "conversion" : "rename", count,
                    double(timer.nsecsElapsed()) / 1e9);
    }
    return 0;
}
