#include "shell/shell.h"

int main() { Start(); }
