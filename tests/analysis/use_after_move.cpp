// A known fault for clang-tidy to find (tests/analysis/analyse.sh): a string
// read after it was moved from.
#include <string>
#include <utility>
#include <vector>

std::size_t keep(std::vector<std::string>& kept, std::string name)
{
    kept.push_back(std::move(name));
    return name.size();  // FAULT
}
