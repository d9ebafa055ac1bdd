#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral(" - Quillmark"));
    window.show();
    return app.exec();
}
