// Entry: the numeric environment and the console first, then the dialogue.
#include <iostream>

#include "app/dialogue.hpp"
#include "platform/console.hpp"
#include "solver/numeric_environment.hpp"

int main() {
    secant::establishNumericEnvironment();
    secant::prepareConsole();
    secant::Console console{std::cin, std::cout, std::cerr, &secant::printOem, &secant::waitForKey};
    const int status = secant::runDialogue(console);
    secant::releaseConsole();
    return status;
}
