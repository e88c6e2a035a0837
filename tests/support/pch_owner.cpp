// Compiles the test programs' precompiled header once per tree; the program itself is never run.
int main() {
    return 0;
}
