#pragma once
// Every key and value under a few registry roots, as lines of text, for
// comparing the registry before and after a setup step. Names are kept in
// lower case.
#include <windows.h>

#include <set>
#include <string>

using RegistrySnapshot = std::set<std::string>;

RegistrySnapshot snapshot_registry();
// Lines in A and not in B.
RegistrySnapshot only_in(const RegistrySnapshot& a, const RegistrySnapshot& b);
// Registry names ignore case, and keys keep the case of whoever made them:
// the form in which a snapshot holds a name.
std::string registry_name(std::string text);
