// Placeholder source for a module library that has no classes yet.
