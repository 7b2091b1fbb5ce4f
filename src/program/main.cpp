#include "program/DesktopProgram.h"

int main(int argc, char** argv) {
    fadebin::DesktopProgram delegate;
    return delegate.run(argc, argv);
}
