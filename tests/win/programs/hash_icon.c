/* A program whose only icon group is named "#NAME": a string name that reads like a number. */
int main(void) { return 0; }
