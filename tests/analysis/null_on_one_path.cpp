// A known fault for cppcheck to find (tests/analysis/analyse.sh): a pointer
// that is null on one of its paths, read on both.
int first_flag(const int* flags, bool given)
{
    const int* chosen = nullptr;
    if (given) {
        chosen = flags;
    }
    return *chosen;  // FAULT
}
