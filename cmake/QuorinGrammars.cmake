# Turns the flex scanners (.l) and bison grammars (.y) of one source folder into sources of that
# folder's library. The generated files stay in the build folder.
find_package(FLEX 2.6 REQUIRED)
find_package(BISON 3.5 REQUIRED)

# Bison pins reduce/reduce conflicts (%expect-rr) only in GLR parsers. A deterministic grammar that
# keeps such conflicts by design states both counts in a line "conflicts: <n> shift/reduce, <m>
# reduce/reduce" instead of %expect; they are checked whenever the grammar changes, which re-runs
# this configuration, and a changed count fails it.
function(quorin_check_conflicts grammar declared)
    string(REGEX MATCH "[0-9]+ shift/reduce, [0-9]+ reduce/reduce" declared "${declared}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${grammar})
    get_filename_component(name ${grammar} NAME_WE)
    execute_process(COMMAND ${BISON_EXECUTABLE} -Wno-other -o ${CMAKE_BINARY_DIR}/${name}-conflicts.c
                            ${grammar}
                    ERROR_VARIABLE report RESULT_VARIABLE failed)
    file(REMOVE ${CMAKE_BINARY_DIR}/${name}-conflicts.c)
    if(failed)
        message(FATAL_ERROR "${grammar}: bison failed:\n${report}")
    endif()
    foreach(kind shift reduce)
        set(found 0)
        if(report MATCHES "([0-9]+) ${kind}/reduce conflict")
            set(found ${CMAKE_MATCH_1})
        endif()
        string(REGEX MATCH "([0-9]+) ${kind}/reduce" stated "${declared}")
        if(NOT stated STREQUAL "${found} ${kind}/reduce")
            message(FATAL_ERROR "${grammar}: ${found} ${kind}/reduce conflicts, stated: ${declared}")
        endif()
    endforeach()
endfunction()

# quorin_add_grammars(<library> <folder>): every <Name>.l becomes <Name>.cpp, every <Name>.y becomes
# <Name>.cpp and <Name>.h, under <build>/generated/<folder relative to src>. Sources in the folder
# include a generated header as "<layer>/<Name>.h", as they include any other header. The bison
# options (prefix, purity, expected conflicts) live in each grammar file, so changed conflicts
# fail the build.
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
        file(STRINGS ${grammar} declared REGEX "conflicts: [0-9]+ shift/reduce, [0-9]+ reduce/reduce")
        if(declared)
            quorin_check_conflicts(${grammar} "${declared}")
            set(flags "${flags} -Wno-conflicts-sr -Wno-conflicts-rr -Wno-other")
        endif()
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
