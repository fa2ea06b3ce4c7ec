// A library with nothing in it: the floor for loading a library.
