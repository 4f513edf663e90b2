#include "app/Application.h"

int main(int argc, char** argv) {
    return lumiq::RunLumiqConfig(argc, argv);
}
