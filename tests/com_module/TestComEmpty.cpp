// A shared object that loads but is no component module: it has neither entry point.

extern "C" __attribute__((visibility("default"))) int TestComEmptyMarker() { return 1; }
