// The smallest Qt Widgets program that opens a window the size of the
// program's: what window_bench compares the program's start with.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(1000, 940);
    window.show();
    return app.exec();
}
