#include "shell/application.h"

int main(int argc, char** argv) {
    return sorvalind::runApplication(argc, argv);
}
