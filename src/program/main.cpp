#include "program/AppDelegate.h"

int main(int argc, char** argv) {
    fadebin::AppDelegate delegate;
    return delegate.run(argc, argv);
}
