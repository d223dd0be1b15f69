# SPDX-License-Identifier: LGPL-3.0-or-later
# Runs quillsift-dump as a subprocess and checks its output and exit code.
#   cmake -DTOOL=... -DTESTDATA=... -DWORK=... -DMODE=golden|buffers|jobs|folder|large|html|properties|stuck
#         -P DumpToolCheck.cmake
# golden:  --json on each small book equals testdata/golden/<book>.jsonl; readable text runs.
# buffers: --buffer 1, 2, 3 and 4096 give the same lines as the golden files.
# jobs:    --jobs 1 and 4 over every book give the golden lines in the order of the books.
# folder:  a folder with malformed files, with one worker and four: exit 1, the other books
#          still dumped in full and in order, the reports in order.
# large:   the two large books: exit 0, every chunk, the end code, the whole output's digest.
# html:    --html with --buffer 1, 3 and 4096 equals testdata/golden/<book>.html.golden (the large
#          books: its SHA-256) with nothing on stderr, whatever the book's file is called; a book
#          that does not load gives nothing on stdout and one line on stderr; not one book is a
#          usage error.
# properties: --properties on each small book prints one JSON object on one line; the Japanese
#          book's whole object; a file that is no book: exit 1 and nothing on stdout.
# stuck:   a library (STUCK_LIBRARY) that refuses the class and never becomes free to unload; a
#          library that is not there, and a file that is no library.
cmake_minimum_required(VERSION 3.20)

set(small_books harbor-kf7.mobi harbor-kf8.azw3 harbor-hybrid.mobi duet-kf8.azw
                harbor-noauthor-kf7.mobi palmdoc-drm-v1.prc markup/almanac-kf7.mobi
                markup/almanac-kf8.azw3 markup/tides-kf7.mobi markup/tides-kf8.azw3
                markup/lexique-kf7.mobi markup/lexique-kf8.azw3 markup/kaze-kf7.mobi
                markup/kaze-kf8.azw3)
list(LENGTH small_books small_book_count)

function(fail)
    string(JOIN "" message ${ARGN})
    message(FATAL_ERROR "${message}")
endfunction()

# run(<exit code> <stdout var> <stderr var> args...)
function(run expected_code out_var err_var)
    execute_process(COMMAND ${TOOL} ${ARGN}
                    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT "${code}" STREQUAL "${expected_code}")
        fail("quillsift-dump ${ARGN}: exit ${code}, expected ${expected_code}\n"
             "stdout:\n${out}\nstderr:\n${err}")
    endif()
    if(NOT ALLOW_IN_USE AND err MATCHES "DllCanUnloadNow|still in use")
        fail("quillsift-dump ${ARGN}: the library was not left free to unload:\n${err}")
    endif()
    if(err MATCHES "AddressSanitizer|LeakSanitizer|runtime error")
        fail("quillsift-dump ${ARGN}: the library was not left clean:\n${err}")
    endif()
    set(${out_var} "${out}" PARENT_SCOPE)
    set(${err_var} "${err}" PARENT_SCOPE)
endfunction()

function(golden book out_var)
    set(path "${TESTDATA}/golden/${book}.jsonl")
    if(NOT EXISTS "${path}")
        fail("missing golden file ${path}")
    endif()
    file(READ "${path}" content)
    set(${out_var} "${content}" PARENT_SCOPE)
endfunction()

# The golden lines of `book` as they come when several books are dumped: each names its file.
function(labelled book file out_var)
    golden(${book} content)
    string(REPLACE "{\"" "{\"file\":\"${file}\",\"" content "${content}")
    set(${out_var} "${content}" PARENT_SCOPE)
endfunction()

function(expect_equal actual expected what)
    if(NOT "${actual}" STREQUAL "${expected}")
        file(WRITE "${WORK}/actual.txt" "${actual}")
        file(WRITE "${WORK}/expected.txt" "${expected}")
        fail("${what}: output differs (see ${WORK}/actual.txt and ${WORK}/expected.txt)")
    endif()
endfunction()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

if(MODE STREQUAL "golden")
    foreach(book IN LISTS small_books)
        run(0 out err --json "${TESTDATA}/${book}")
        golden(${book} expected)
        expect_equal("${out}" "${expected}" "${book}")
    endforeach()
    run(0 out err "${TESTDATA}/harbor-kf7.mobi")
    # Title and author first, then any other values, then the text.
    if(NOT out MATCHES "^chunk 1 value Title: [^\n]+\nchunk 2 value Author: [^\n]+\n(chunk [0-9]+ value [A-Za-z ]+: [^\n]*\n)*chunk [0-9]+ text Contents:\n"
       OR NOT out MATCHES "\nend 0x80041700\n$")
        fail("readable output of harbor-kf7.mobi is not as expected:\n${out}")
    endif()
    if(NOT err MATCHES "1 book, 0 failed loads, [0-9]+ chunks, [0-9]+ characters")
        fail("no summary on stderr:\n${err}")
    endif()

elseif(MODE STREQUAL "buffers")
    foreach(book IN LISTS small_books)
        golden(${book} expected)
        foreach(size 1 2 3 4096)
            run(0 out err --json --buffer ${size} "${TESTDATA}/${book}")
            expect_equal("${out}" "${expected}" "${book} with --buffer ${size}")
        endforeach()
    endforeach()

elseif(MODE STREQUAL "jobs")
    # Every small book twice, labelled, in one run: what one worker writes, golden line for
    # golden line, with any number of workers and any portion size.
    set(books)
    set(expected "")
    foreach(round 1 2)
        foreach(book IN LISTS small_books)
            list(APPEND books "${TESTDATA}/${book}")
            labelled(${book} "${TESTDATA}/${book}" lines)
            string(APPEND expected "${lines}")
        endforeach()
    endforeach()
    foreach(options "--jobs;1" "--jobs;4" "--jobs=4;--buffer;3" "--jobs=2;--buffer;1")
        run(0 out err --json ${options} ${books})
        expect_equal("${out}" "${expected}" "${options}")
        math(EXPR twice "2 * ${small_book_count}")
        if(NOT err MATCHES "${twice} books, 0 failed loads")
            fail("${options}: the summary does not count every book:\n${err}")
        endif()
    endforeach()
    # The large books among small ones, in both formats: four workers write what one does.
    set(mixed "${TESTDATA}/harbor-kf7.mobi" "${TESTDATA}/ledger-large-kf8.azw3"
              "${TESTDATA}/duet-kf8.azw" "${TESTDATA}/ledger-large-kf7.mobi"
              "${TESTDATA}/harbor-hybrid.mobi")
    foreach(format "--json" "-q")
        run(0 one err ${format} --jobs 1 ${mixed})
        run(0 four err ${format} --jobs 4 ${mixed})
        expect_equal("${four}" "${one}" "large books with ${format} --jobs 4")
    endforeach()

elseif(MODE STREQUAL "folder")
    set(dir "${WORK}/books")
    file(MAKE_DIRECTORY "${dir}/sub")
    file(COPY_FILE "${TESTDATA}/harbor-kf7.mobi" "${dir}/a-harbor.mobi")
    file(WRITE "${dir}/b-garbage.mobi" "this is no palm database, only some text for the reader")
    file(WRITE "${dir}/c-empty.azw" "")
    # A real book cut short: its record table points past the end of the file.
    execute_process(COMMAND head -c 700 "${TESTDATA}/harbor-kf7.mobi"
                    OUTPUT_FILE "${dir}/d-truncated.MOBI")
    file(COPY_FILE "${TESTDATA}/harbor-noauthor-kf7.mobi" "${dir}/e-copy.PRC")
    file(WRITE "${dir}/notes.txt" "not a book")
    file(COPY_FILE "${TESTDATA}/duet-kf8.azw" "${dir}/sub/DUET.AZW")
    file(COPY_FILE "${TESTDATA}/harbor-kf8.azw3" "${dir}/z-harbor.azw3")

    # Every Kindle extension, and the books that do not load reported on their lines, in
    # the order of the walk, whichever worker finished first.
    labelled(harbor-kf7.mobi "${dir}/a-harbor.mobi" first)
    labelled(harbor-noauthor-kf7.mobi "${dir}/e-copy.PRC" prc)
    labelled(duet-kf8.azw "${dir}/sub/DUET.AZW" azw)
    labelled(harbor-kf8.azw3 "${dir}/z-harbor.azw3" azw3)
    set(expected "${first}")
    set(garbage "not a Palm database: only 55 bytes")
    set(truncated "cut short: the file ends inside record 1 of 10, which holds its headers")
    string(APPEND expected "{\"file\":\"${dir}/b-garbage.mobi\",\"load\":\"0x80004005\","
                           "\"reason\":\"${garbage}\"}\n")
    string(APPEND expected "{\"file\":\"${dir}/c-empty.azw\",\"load\":\"0x80004005\","
                           "\"reason\":\"empty file\"}\n")
    string(APPEND expected "{\"file\":\"${dir}/d-truncated.MOBI\",\"load\":\"0x80004005\","
                           "\"reason\":\"${truncated}\"}\n")
    string(APPEND expected "${prc}${azw}${azw3}")
    foreach(jobs 1 4)
        run(1 out err --json --jobs ${jobs} "${dir}")
        expect_equal("${out}" "${expected}" "folder walk with --jobs ${jobs}")
        if(NOT err MATCHES "b-garbage.mobi: ${garbage} \\(0x80004005\\)\n[^\n]*c-empty.azw: empty file \\(0x80004005\\)\n[^\n]*d-truncated.MOBI: ${truncated} \\(0x80004005\\)\n")
            fail("--jobs ${jobs}: no one-line report, in order, for each bad book:\n${err}")
        endif()
        if(NOT err MATCHES "7 books, 3 failed loads")
            fail("--jobs ${jobs}: the summary does not count the failed loads:\n${err}")
        endif()
    endforeach()

    # --all-files takes the other files too; a missing input is reported and the run goes on.
    run(1 out err --json --all-files "${dir}" "${WORK}/missing.mobi")
    set(notes "{\"file\":\"${dir}/notes.txt\",\"load\":\"0x80004005\",")
    string(APPEND notes "\"reason\":\"not a Palm database: only 10 bytes\"}\n")
    foreach(line "${notes}" "${azw3}"
                 "{\"file\":\"${WORK}/missing.mobi\",\"load\":\"0x80070002\"}\n")
        string(FIND "${out}" "${line}" at)
        if(at EQUAL -1)
            fail("--all-files output lacks:\n${line}\nin:\n${out}")
        endif()
    endforeach()

    # A folder without a book says so and fails the run, before or beside books, and a run that
    # read no book gives no rate.
    file(MAKE_DIRECTORY "${WORK}/empty" "${WORK}/no-books/sub")
    file(WRITE "${WORK}/no-books/sub/notes.txt" "not a book")
    run(1 out err "${WORK}/empty")
    expect_equal("${out}" "" "an empty folder: stdout")
    expect_equal("${err}" "quillsift-dump: ${WORK}/empty: no .mobi, .azw, .azw3 or .prc file in this folder\n"
                 "an empty folder: stderr")
    run(1 out err --json "${WORK}/no-books" "${dir}/a-harbor.mobi")
    labelled(harbor-kf7.mobi "${dir}/a-harbor.mobi" lines)
    expect_equal("${out}" "${lines}" "a folder without a book beside a book: stdout")
    if(NOT err MATCHES "^quillsift-dump: ${WORK}/no-books: no .mobi, .azw, .azw3 or .prc file in this folder\n")
        fail("a folder without a book beside a book is not reported first:\n${err}")
    endif()
    run(1 out err --all-files "${WORK}/empty" "${WORK}/no-books")
    if(NOT err MATCHES "^quillsift-dump: ${WORK}/empty: no file in this folder\n"
       OR err MATCHES "no-books: ")
        fail("--all-files: an empty folder, and a folder with a file:\n${err}")
    endif()
    run(1 out err "${WORK}/missing.mobi")
    if(NOT err MATCHES "quillsift-dump: 1 book, 1 failed load, 0 chunks, 0 characters\n$")
        fail("a run that read no book gives a rate:\n${err}")
    endif()

    # Readable text names each book.
    run(1 out err "${dir}/a-harbor.mobi" "${dir}/b-garbage.mobi")
    if(NOT out MATCHES "^== [^\n]*a-harbor.mobi ==\nchunk 1 value Title: .*\n== [^\n]*b-garbage.mobi ==\nload failed 0x80004005: ${garbage}\n$")
        fail("readable output of two books is not as expected:\n${out}")
    endif()

elseif(MODE STREQUAL "large")
    foreach(book ledger-large-kf7.mobi ledger-large-kf8.azw3)
        if(NOT EXISTS "${TESTDATA}/${book}")
            fail("${book} is missing from ${TESTDATA}")
        endif()
        run(0 out err --json "${TESTDATA}/${book}")
        # The whole output, byte for byte: too large to keep, so its digest is kept.
        file(READ "${TESTDATA}/golden/${book}.jsonl.sha256" expected_digest)
        string(STRIP "${expected_digest}" expected_digest)
        string(SHA256 digest "${out}")
        if(NOT digest STREQUAL expected_digest)
            fail("${book}: the output's SHA-256 is ${digest}, expected ${expected_digest}")
        endif()
        string(REGEX MATCHALL "\"kind\":\"text\"" texts "${out}")
        list(LENGTH texts text_count)
        if(book MATCHES "kf8")
            set(expected_texts 101)
        else()
            set(expected_texts 1)
        endif()
        if(NOT text_count EQUAL expected_texts)
            fail("${book}: ${text_count} text chunks, expected ${expected_texts}")
        endif()
        if(NOT out MATCHES "^{\"chunk\":1,\"kind\":\"value\",[^\n]*\"propid\":2,[^\n]*\"value\":\"A Long Ledger\"}\n{\"chunk\":2,\"kind\":\"value\",[^\n]*\"propid\":4,[^\n]*\"value\":\"Oren Sallow\"}\n({\"chunk\":[0-9]+,\"kind\":\"value\",[^\n]*\n)*{\"chunk\":[0-9]+,\"kind\":\"text\","
           OR NOT out MATCHES "\n{\"end\":\"0x80041700\"}\n$")
            fail("${book}: title, author, first text chunk or end code not as expected")
        endif()
    endforeach()

elseif(MODE STREQUAL "html")
    function(expect_quiet err what)
        if(NOT err STREQUAL "")
            fail("${what}: stderr is not empty:\n${err}")
        endif()
    endfunction()
    foreach(book IN LISTS small_books)
        file(READ "${TESTDATA}/golden/${book}.html.golden" expected)
        foreach(size 1 3 4096)
            run(0 out err --html --buffer ${size} "${TESTDATA}/${book}")
            expect_equal("${out}" "${expected}" "${book} as HTML with --buffer ${size}")
            expect_quiet("${err}" "${book} as HTML")
        endforeach()
    endforeach()
    foreach(book ledger-large-kf7.mobi ledger-large-kf8.azw3)
        file(READ "${TESTDATA}/golden/${book}.html.sha256" expected_digest)
        string(STRIP "${expected_digest}" expected_digest)
        foreach(size 1 3 4096)
            run(0 out err --html --buffer ${size} "${TESTDATA}/${book}")
            string(SHA256 digest "${out}")
            if(NOT digest STREQUAL expected_digest)
                fail("${book} as HTML with --buffer ${size}: the output's SHA-256 is ${digest}, "
                     "expected ${expected_digest}")
            endif()
            expect_quiet("${err}" "${book} as HTML")
        endforeach()
    endforeach()

    # A search engine hands over temporary copies and names in any case.
    file(COPY_FILE "${TESTDATA}/duet-kf8.azw" "${WORK}/Copy of a book.TMP")
    file(READ "${TESTDATA}/golden/duet-kf8.azw.html.golden" expected)
    run(0 out err --html "${WORK}/Copy of a book.TMP")
    expect_equal("${out}" "${expected}" "a book named .TMP")

    file(WRITE "${WORK}/garbage.mobi" "this is no palm database, only some text for the reader")
    function(expect_no_book name reason)
        run(1 out err --html "${WORK}/${name}")
        expect_equal("${out}" "" "${name} as HTML: stdout")
        expect_equal("${err}" "quillsift-dump: ${WORK}/${name}: ${reason}\n" "${name}: stderr")
    endfunction()
    expect_no_book(garbage.mobi "not a Palm database: only 55 bytes (0x80004005)")
    expect_no_book(missing.mobi "cannot open: no such file or directory (0x80070002)")
    expect_no_book(no-folder/missing.mobi "cannot open: no such file or directory (0x80070003)")

    foreach(arguments "--html" "--html;${WORK}/garbage.mobi;${WORK}/garbage.mobi" "--html;${WORK}"
                      "--json;--html;${WORK}/garbage.mobi")
        run(2 out err ${arguments})
        expect_equal("${out}" "" "${arguments}: stdout")
    endforeach()

elseif(MODE STREQUAL "properties")
    foreach(book IN LISTS small_books)
        run(0 out err --properties ${TESTDATA}/${book})
        if(NOT out MATCHES "^{\"System.Title\":\"[^\n]*}\n$" OR NOT err STREQUAL "")
            fail("--properties ${book}: not one JSON object on one line:\n${out}\n${err}")
        endif()
    endforeach()
    run(0 out err --properties ${TESTDATA}/markup/kaze-kf8.azw3)
    set(kaze "{\"System.Title\":\"風の名前帳\",\"System.Author\":[\"森田葵\"],"
             "\"System.Media.Publisher\":\"潮見書房\",\"System.Keywords\":[\"言語学\"],"
             "\"System.Media.DateReleased\":\"2023-11-03T00:00:00+00:00\",\"System.Media.Year\":2023,"
             "\"System.Language\":\"ja\"}\n")
    string(JOIN "" kaze ${kaze})
    if(NOT out STREQUAL kaze)
        fail("--properties kaze-kf8.azw3:\n${out}\nexpected:\n${kaze}")
    endif()
    file(WRITE ${WORK}/not-a-book.mobi "not a book")
    run(1 out err --properties ${WORK}/not-a-book.mobi)
    if(NOT out STREQUAL "" OR NOT err MATCHES "not-a-book.mobi: not a Palm database: only 10 bytes \\(0x80004005\\)\n$")
        fail("--properties on a file that is no book:\n${out}\n${err}")
    endif()
    run(2 out err --properties ${TESTDATA}/harbor-kf7.mobi ${TESTDATA}/harbor-kf8.azw3)
    # A file that does not open says why, in words, for the properties and the cover alike.
    foreach(command "--properties" "--cover;${WORK}/cover.jpg")
        foreach(case "${WORK}/missing.mobi|no such file or directory (0x80070002)"
                     "${WORK}|a directory (0x80070005)")
            string(REPLACE "|" ";" case "${case}")
            list(GET case 0 path)
            list(GET case 1 words)
            run(1 out err ${command} "${path}")
            if(NOT out STREQUAL "" OR NOT err STREQUAL "quillsift-dump: ${path}: cannot open: ${words}\n")
                fail("${command} ${path}: not one line saying why it did not open:\n${out}\n${err}")
            endif()
        endforeach()
    endforeach()
elseif(MODE STREQUAL "stuck")
    # The binding's own code is what the load line gives; DllCanUnloadNow's answer outweighs
    # the failed load in the exit code.
    set(ALLOW_IN_USE ON)
    run(3 out err --json --library "${STUCK_LIBRARY}" "${TESTDATA}/harbor-kf7.mobi")
    expect_equal("${out}" "{\"load\":\"0x80040111\"}\n" "stuck library")
    if(NOT err MATCHES "DllCanUnloadNow answered 0x00000001")
        fail("the library left in use is not reported:\n${err}")
    endif()
    # A library that is not there, and one that is but does not load, each said as it is.
    set(book "${TESTDATA}/harbor-kf7.mobi")
    set(nowhere "${WORK}/nowhere/libquillsift.so")
    foreach(case "${nowhere}|${nowhere}: no such file\n$"
                 "${book}|${book} is there but the loader refused it: .*invalid ELF header")
        string(REPLACE "|" ";" case "${case}")
        list(GET case 0 library)
        list(GET case 1 expected)
        run(3 out err --library "${library}" "${book}")
        if(NOT out STREQUAL "" OR NOT err MATCHES "cannot load the filter library: ${expected}")
            fail("--library ${library}:\n${err}")
        endif()
    endforeach()

else()
    fail("unknown MODE ${MODE}")
endif()
