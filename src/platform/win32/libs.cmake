# System libraries of the Windows backend; the runtime is linked statically so that the
# programs run without mingw's DLLs.
target_link_libraries(vetrel_platform PUBLIC iphlpapi ws2_32 crypt32 advapi32 user32)
target_link_options(vetrel_platform INTERFACE -static -static-libgcc -static-libstdc++)
# The logic calls the platform and the platform the logic: let the linker see both twice.
target_link_libraries(vetrel_logic INTERFACE vetrel_platform)
