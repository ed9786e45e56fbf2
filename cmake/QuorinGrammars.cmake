# Turns the flex scanners (.l) and bison grammars (.y) of one source folder into sources of that
# folder's library. The generated files stay in the build folder.
find_package(FLEX 2.6 REQUIRED)
find_package(BISON 3.5 REQUIRED)

# quorin_add_grammars(<library> <folder>): every <Name>.l becomes <Name>.cpp, every <Name>.y becomes
# <Name>.cpp and <Name>.h, under <build>/generated/<folder relative to src>. Sources in the folder
# include a generated header as "<layer>/<Name>.h", as they include any other header. The bison
# options (prefix, purity) live in each grammar file; every warning, a conflict included, fails the
# build, so no grammar settles a choice by the order of its rules.
function(quorin_add_grammars library folder)
    file(GLOB scanners CONFIGURE_DEPENDS ${folder}/*.l)
    file(GLOB grammars CONFIGURE_DEPENDS ${folder}/*.y)
    if(NOT scanners AND NOT grammars)
        return()
    endif()
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR}/src ${folder})
    set(root ${CMAKE_BINARY_DIR}/generated)
    set(out ${root}/${relative})
    file(MAKE_DIRECTORY ${out})
    set(generated "")
    set(headers "")
    foreach(grammar IN LISTS grammars)
        get_filename_component(name ${grammar} NAME_WE)
        set(flags "-Wall -Wno-yacc -Werror")
        bison_target(${name} ${grammar} ${out}/${name}.cpp
                     DEFINES_FILE ${out}/${name}.h COMPILE_FLAGS "${flags}")
        list(APPEND generated ${BISON_${name}_OUTPUT_SOURCE})
        list(APPEND headers ${BISON_${name}_OUTPUT_HEADER})
    endforeach()
    foreach(scanner IN LISTS scanners)
        get_filename_component(name ${scanner} NAME_WE)
        flex_target(${name} ${scanner} ${out}/${name}.cpp)
        list(APPEND generated ${FLEX_${name}_OUTPUTS})
        # A scanner includes the token codes of the grammars beside it.
        foreach(grammar IN LISTS grammars)
            get_filename_component(gname ${grammar} NAME_WE)
            add_flex_bison_dependency(${name} ${gname})
        endforeach()
    endforeach()
    target_sources(${library} PRIVATE ${generated})
    # One target that produces every generated file of the folder, so that programs compiling some
    # of these sources themselves (the fuzz targets) can wait for the headers too.
    add_custom_target(${library}_generated DEPENDS ${generated} ${headers})
    add_dependencies(${library} ${library}_generated)
    target_include_directories(${library} PUBLIC ${root})
endfunction()
