#pragma once
namespace ardeko {

// Opens the documentation, or tells the user where to find it.
void ShowHelp();

}  // namespace ardeko
