#include "app/Main.h"
#include "toolkit/Application.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TMainForm form;
    form.show();
    return app.exec();
}
