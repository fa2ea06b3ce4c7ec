# The language tests: the parser compiled in, plug-in variants carrying hostile string tables, and a
# probe that reports the language a freshly loaded plug-in chose.
target_sources(lang_tests PRIVATE
  ${CMAKE_SOURCE_DIR}/src/lang/LanguageTable.cpp
  ${CMAKE_SOURCE_DIR}/src/lang/StringPool.cpp
  ${CMAKE_SOURCE_DIR}/src/lang/StringTableParser.cpp)

add_executable(lang_probe ${CMAKE_CURRENT_LIST_DIR}/probe/lang_probe.cpp)
target_include_directories(lang_probe PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/host)
target_link_libraries(lang_probe PRIVATE afx win32)
add_dependencies(lang_tests lang_probe KeyholmPlugin)

# Hostile tables, each linked into a plug-in of its own: KeyholmPlugin_<name>.dll.
set(hostile_dir ${CMAKE_CURRENT_BINARY_DIR}/hostile)
set(table_head "<?xml version=\"1.0\" encoding=\"GB2312\" ?>\r\n<NewDataSet>\r\n")
set(good_rows "  <Table><ID>IDS_OSTREL_CORPORATION</ID><KEY_CODE>2</KEY_CODE><KEY_VALUE><![CDATA[OSTREL Corporation]]></KEY_VALUE><LANG_ID>1033</LANG_ID></Table>\r\n")
set(table_tail "</NewDataSet>\r\n")

string(REPEAT "<a>" 50000 deep_open)
string(REPEAT "</a>" 50000 deep_close)
string(REPEAT "0123456789" 100000 huge_text)
set(laughs "<!DOCTYPE NewDataSet [\n<!ENTITY l0 \"ha\">\n")
foreach(i RANGE 1 12)
  math(EXPR j "${i} - 1")
  string(REPEAT "&l${j};" 10 refs)
  string(APPEND laughs "<!ENTITY l${i} \"${refs}\">\n")
endforeach()
string(APPEND laughs "]>\r\n")

set(hostile_malformed "${table_head}  <Table><KEY_CODE>1</KEY_CODE>\r\n")
set(hostile_laughs "<?xml version=\"1.0\" encoding=\"GB2312\" ?>\r\n${laughs}<NewDataSet>\r\n${good_rows}  <Table><KEY_CODE>1</KEY_CODE><KEY_VALUE>&l12;</KEY_VALUE><LANG_ID>1033</LANG_ID></Table>\r\n${table_tail}")
set(hostile_external "<?xml version=\"1.0\" encoding=\"GB2312\" ?>\r\n<!DOCTYPE NewDataSet [\n<!ENTITY secret SYSTEM \"file:///etc/passwd\">\n<!ENTITY remote SYSTEM \"http://127.0.0.1:9/x.xml\">\n]>\r\n<NewDataSet>\r\n${good_rows}  <Table><KEY_CODE>1</KEY_CODE><KEY_VALUE>[&secret;&remote;]</KEY_VALUE><LANG_ID>1033</LANG_ID></Table>\r\n${table_tail}")
set(hostile_deep "${table_head}${good_rows}  <Table>${deep_open}${deep_close}</Table>\r\n${table_tail}")
set(hostile_huge "${table_head}${good_rows}  <Table><KEY_CODE>1</KEY_CODE><KEY_VALUE>${huge_text}</KEY_VALUE><LANG_ID>1033</LANG_ID></Table>\r\n${table_tail}")

foreach(name malformed laughs external deep huge)
  file(WRITE ${hostile_dir}/${name}.xml "${hostile_${name}}")
endforeach()
# Bytes CMake cannot write as text: a zero byte inside the table, and bytes no GB2312 decoder accepts.
execute_process(COMMAND python3 -c "
import sys
head = b'<?xml version=\"1.0\" encoding=\"GB2312\" ?>\\r\\n<NewDataSet>\\r\\n'
good = b'  <Table><KEY_CODE>2</KEY_CODE><KEY_VALUE>OSTREL Corporation</KEY_VALUE><LANG_ID>1033</LANG_ID></Table>\\r\\n'
bad = b'  <Table><KEY_CODE>1</KEY_CODE><KEY_VALUE>[\\x81\\x20\\xff\\x80\\xfe\\x7f]</KEY_VALUE><LANG_ID>1033</LANG_ID></Table>\\r\\n'
open(sys.argv[1] + '/zerobyte.xml', 'wb').write(head + good + b'  <Table>\\x00</Table>\\r\\n' + b'</NewDataSet>\\r\\n')
open(sys.argv[1] + '/badbytes.xml', 'wb').write(head + good + bad + b'</NewDataSet>\\r\\n')
" ${hostile_dir})

foreach(name malformed laughs external deep huge zerobyte badbytes)
  file(WRITE ${hostile_dir}/${name}.rc "LANGUAGE 4, 2\n8003 STRING \"${hostile_dir}/${name}.xml\"\n")
  keyholm_plugin_library(KeyholmPlugin_${name} ${hostile_dir}/${name}.rc)
  add_dependencies(lang_tests KeyholmPlugin_${name})
endforeach()
keyholm_plugin_library(KeyholmPlugin_noresources "")
add_dependencies(lang_tests KeyholmPlugin_noresources)
