// names.h: the names every room shares: the namespaces the provider's
// classes live in and the creation class name of the scoping system. Each
// is written here once.
#pragma once

// The namespace of registered profiles and indication filters.
inline constexpr const wchar_t* kInteropNamespace = L"root\\Interop";
// The namespace of the RAID stack's elements, where a reference from the
// interop namespace finds them, and the one a host hands in by default.
inline constexpr const wchar_t* kClassNamespace = L"root\\Corvo_ZUB";
// The creation class name of the scoping system (ZUB_ComputerSystem's
// CreationClassName, every element's SystemCreationClassName).
inline constexpr const wchar_t* kSystemCreationClassName = L"Corvo_ZUBe3.0";
