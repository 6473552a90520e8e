# The Linux backend: rtnetlink through libmnl, libsodium for the machine-bound password.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VETREL_MNL REQUIRED IMPORTED_TARGET libmnl)
pkg_check_modules(VETREL_SODIUM REQUIRED IMPORTED_TARGET libsodium)
target_link_libraries(vetrel_platform PUBLIC PkgConfig::VETREL_MNL PkgConfig::VETREL_SODIUM)
