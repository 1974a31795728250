#include <vendorcenter/Vendor_Center.h>

#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto *control = new vendorcenter::Vendor_Center(&window);
    window.setCentralWidget(control);
    window.show();
    return app.exec();
}
