# SPDX-License-Identifier: LGPL-3.0-or-later
# The system's folders as rooms: one library each, standing on the rooms below it. What a room
# stands on is what it links, and the folders of those rooms (and of the rooms below them) are
# the only ones whose headers its files include: the check of the layout (tests/layout/) reads
# the floors that these functions record and fails on any other include.

# quillsift_room(TARGET FOLDER [OBJECT] [SOURCES file...] [PUBLIC lib...] [PRIVATE lib...]):
# the folder's library, a static one unless OBJECT, linked with the rooms and libraries named
# (PUBLIC where the room's headers include theirs).
function(quillsift_room target folder)
    cmake_parse_arguments(PARSE_ARGV 2 arg "OBJECT" "" "SOURCES;PUBLIC;PRIVATE")
    if(arg_OBJECT)
        add_library(${target} OBJECT ${arg_SOURCES})
    else()
        add_library(${target} STATIC ${arg_SOURCES})
    endif()
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${arg_PUBLIC} PRIVATE ${arg_PRIVATE})
    set_target_properties(${target} PROPERTIES
        QUILLSIFT_FOLDER ${folder} QUILLSIFT_FLOORS "${arg_PUBLIC};${arg_PRIVATE}")
    set_property(GLOBAL APPEND PROPERTY QUILLSIFT_ROOMS ${target})
endfunction()

# quillsift_host_floors(FOLDER [ROOMS room...] [HEADERS header...]): a folder of host programs,
# which link no room of the module but include the headers of the rooms named, and the few
# headers of the module's own faces listed (from the repository's root).
function(quillsift_host_floors folder)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "ROOMS;HEADERS")
    list(JOIN arg_ROOMS " " rooms)
    list(JOIN arg_HEADERS " " headers)
    set_property(GLOBAL APPEND PROPERTY QUILLSIFT_HOST_FOLDERS "${folder}|${rooms}|${headers}")
endfunction()

# The folders a room's files may include: its own, and those of every room it stands on.
function(quillsift_room_folders target out)
    set(folders "")
    set(pending ${target})
    set(seen "")
    while(pending)
        list(POP_FRONT pending room)
        if(room IN_LIST seen OR NOT TARGET ${room})
            continue()
        endif()
        list(APPEND seen ${room})
        get_target_property(folder ${room} QUILLSIFT_FOLDER)
        if(folder)
            list(APPEND folders ${folder})
            get_target_property(floors ${room} QUILLSIFT_FLOORS)
            list(APPEND pending ${floors})
        endif()
    endwhile()
    set(${out} "${folders}" PARENT_SCOPE)
endfunction()

# Writes FILE, one line per folder: the folder, then what its files may include, each a
# folder (ending in /) or a header.
function(quillsift_write_floors file)
    get_property(rooms GLOBAL PROPERTY QUILLSIFT_ROOMS)
    set(lines "")
    foreach(room IN LISTS rooms)
        quillsift_room_folders(${room} folders)
        list(TRANSFORM folders APPEND /)
        list(JOIN folders " " allowed)
        string(APPEND lines "${allowed}\n")
    endforeach()
    get_property(hosts GLOBAL PROPERTY QUILLSIFT_HOST_FOLDERS)
    foreach(host IN LISTS hosts)
        string(REPLACE "|" ";" fields "${host}")
        list(GET fields 0 folder)
        list(GET fields 1 host_rooms)
        list(GET fields 2 headers)
        string(REPLACE " " ";" host_rooms "${host_rooms}")
        string(REPLACE " " ";" headers "${headers}")
        set(allowed "${folder}/")
        foreach(room IN LISTS host_rooms)
            quillsift_room_folders(${room} folders)
            list(TRANSFORM folders APPEND /)
            list(APPEND allowed ${folders})
        endforeach()
        list(APPEND allowed ${headers})
        list(JOIN allowed " " allowed)
        string(APPEND lines "${allowed}\n")
    endforeach()
    file(WRITE ${file} "${lines}")
endfunction()
