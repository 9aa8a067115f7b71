# The translations: each UTF-8 source in resources/lang is checked and converted to its code page by
# langc (a build tool) into ${PELL_TRANSLATION_DIR}. A source that breaks a line rule or holds a
# character its code page lacks fails the build, naming the file, line and character.
# Sets PELL_TRANSLATION_OUTPUTS (the converted files), PELL_TRANSLATION_RC_LINES (their lines of a
# resource script) and the target pell_translations.

include(${CMAKE_CURRENT_LIST_DIR}/HostTools.cmake)

# The maker's site is named once, in base/product.h; the translations take it from there.
file(STRINGS ${CMAKE_SOURCE_DIR}/base/product.h PELL_MAKER_SITE_LINE REGEX "kMakerSite\\[\\] *= *L\"")
string(REGEX REPLACE ".*kMakerSite\\[\\] *= *L\"([^\"]*)\".*" "\\1" PELL_MAKER_SITE "${PELL_MAKER_SITE_LINE}")
if(PELL_MAKER_SITE STREQUAL "" OR PELL_MAKER_SITE STREQUAL PELL_MAKER_SITE_LINE)
    message(FATAL_ERROR "kMakerSite not found in base/product.h")
endif()

# Resource id, file stem and code page of each translation, from the table of languages the program
# itself is compiled with (a language with resource id 0 has no translation).
set(PELL_LANGUAGE_TABLE ${CMAKE_SOURCE_DIR}/i18n/languages.inc)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PELL_LANGUAGE_TABLE})
file(STRINGS ${PELL_LANGUAGE_TABLE} table_rows ENCODING UTF-8 REGEX "^PELL_LANGUAGE\\(")
set(PELL_LANGUAGE_FILES "")
foreach(row ${table_rows})
    if(NOT row MATCHES "^PELL_LANGUAGE\\(([0-9]+), ([0-9]+), ([0-9]+), ([0-9]+), .*, \"([a-z_]*)\"\\)$")
        message(FATAL_ERROR "i18n/languages.inc: a row the build cannot read: ${row}")
    endif()
    if(NOT CMAKE_MATCH_2 STREQUAL "0")
        list(APPEND PELL_LANGUAGE_FILES "${CMAKE_MATCH_2}|${CMAKE_MATCH_5}|${CMAKE_MATCH_3}")
    endif()
endforeach()
list(LENGTH PELL_LANGUAGE_FILES count)
if(NOT count EQUAL 22)
    message(FATAL_ERROR "i18n/languages.inc: ${count} translations found, 22 expected")
endif()

set(PELL_TRANSLATION_DIR ${CMAKE_BINARY_DIR}/resources)
set(PELL_TRANSLATION_RC_LINES "")
set(PELL_TRANSLATION_OUTPUTS "")
foreach(entry ${PELL_LANGUAGE_FILES})
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 id)
    list(GET parts 1 stem)
    list(GET parts 2 codepage)
    set(source ${CMAKE_SOURCE_DIR}/resources/lang/${stem}.txt)
    set(out ${PELL_TRANSLATION_DIR}/${stem}.cp${codepage}.txt)
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PELL_TRANSLATION_DIR}
        COMMAND ${PELL_LANGC} ${source} ${out} ${codepage} ${PELL_MAKER_SITE}
        DEPENDS ${source} ${CMAKE_SOURCE_DIR}/base/product.h ${PELL_LANGC_DEPENDS}
        COMMENT "Checking and converting the ${stem} translation to code page ${codepage}"
        VERBATIM)
    list(APPEND PELL_TRANSLATION_OUTPUTS ${out})
    # "language" in lower case: windres reads the upper-case word as its LANGUAGE statement; the type
    # is stored as "LANGUAGE" either way.
    string(APPEND PELL_TRANSLATION_RC_LINES "${id} language \"${out}\"\n")
endforeach()
add_custom_target(pell_translations ALL DEPENDS ${PELL_TRANSLATION_OUTPUTS})

if(NOT CMAKE_CROSSCOMPILING)
    # The converter refuses a character the code page lacks, naming file, line, column and character.
    add_test(NAME langc_refuses_unencodable_character
        COMMAND langc ${CMAKE_SOURCE_DIR}/resources/lang/polish.txt ${CMAKE_BINARY_DIR}/refused.txt 1252 x)
    set_tests_properties(langc_refuses_unencodable_character PROPERTIES
        PASS_REGULAR_EXPRESSION "polish\\.txt:1: column 4: character 'ż' \\(U\\+017C\\) has no place in code page 1252")
endif()
