// A plain Qt window, nothing more: the end-to-end tests ping it beside the
// program's, so that the program's answers are measured against what the
// same machine gives any Qt window at the same moment.
#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication application(argc, argv);
    // Some text: the tests take a window of one colour for one not yet painted.
    QLabel window(QStringLiteral("referência"));
    window.setWindowTitle(QStringLiteral("orvane-ping-reference"));
    window.resize(120, 80);
    window.show();
    return application.exec();
}
