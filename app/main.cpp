#include "app/orvalinder_app.h"

int main(int argc, char** argv) {
    orvalinder::COrvalinderApp app(argc, argv);
    if (!app.initInstance()) return 1;
    return app.exec();
}
