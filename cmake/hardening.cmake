# Builds the program hardened, as Debian builds its own packages. Each flag
# goes in only where this compiler and this target accept it, because not all
# of them exist everywhere: -fcf-protection, for one, is for x86 alone.
include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)

foreach(flag IN ITEMS
        -fstack-protector-strong -fstack-clash-protection -fcf-protection
        -Wformat -Werror=format-security)
    string(MAKE_C_IDENTIFIER "accepts${flag}" accepted)
    check_cxx_compiler_flag(${flag} ${accepted})
    if(${accepted})
        target_compile_options(pointer-notation PRIVATE ${flag})
    endif()
endforeach()

foreach(flag IN ITEMS -z,relro -z,now)
    string(MAKE_C_IDENTIFIER "links${flag}" accepted)
    check_linker_flag(CXX "LINKER:${flag}" ${accepted})
    if(${accepted})
        target_link_options(pointer-notation PRIVATE "LINKER:${flag}")
    endif()
endforeach()

# A _FORTIFY_SOURCE that CXXFLAGS or the compiler itself already sets wins:
# defining it a second time would only draw a warning. The compilers that set
# it do so only when they optimise, hence the -O2 for this check.
set(CMAKE_REQUIRED_FLAGS -O2)
check_cxx_source_compiles([[
    #ifdef _FORTIFY_SOURCE
    #error _FORTIFY_SOURCE is set already
    #endif
    int main() {}
]] FORTIFY_SOURCE_UNSET)
unset(CMAKE_REQUIRED_FLAGS)
if(FORTIFY_SOURCE_UNSET)
    target_compile_definitions(pointer-notation PRIVATE _FORTIFY_SOURCE=2)
endif()

# A position-independent executable, so that the program too is placed at a
# random address.
include(CheckPIESupported)
check_pie_supported()
set_target_properties(pointer-notation PROPERTIES POSITION_INDEPENDENT_CODE ON)
