# Turns one user guide from Markdown into a web page of its own:
#   cmake -DCMARK_GFM=<cmark-gfm> -DINPUT=<guide.md> -DOUTPUT=<guide.html> -P guide_page.cmake
# The page takes its title from the guide's first heading, and links between the guides point
# at their pages instead of their Markdown.
execute_process(COMMAND ${CMARK_GFM} --extension table ${INPUT}
  OUTPUT_VARIABLE body RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmark-gfm could not read ${INPUT}")
endif()

file(STRINGS ${INPUT} headings REGEX "^# " LIMIT_COUNT 1 ENCODING UTF-8)
string(REGEX REPLACE "^# +" "" title "${headings}")
string(REGEX REPLACE "href=\"(guide\\.[a-z]+)\\.md" "href=\"\\1.html" body "${body}")
if(INPUT MATCHES "\\.ja\\.md$")
  set(language ja)
else()
  set(language en)
endif()

file(WRITE ${OUTPUT} "<!DOCTYPE html>
<html lang=\"${language}\">
<head>
<meta charset=\"utf-8\">
<title>${title}</title>
<style>
body { max-width: 52em; margin: 2em auto; padding: 0 1em; line-height: 1.6;
       font-family: \"Yu Gothic UI\", Meiryo, \"MS PGothic\", sans-serif; }
img { max-width: 100%; border: 1px solid #ccc; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 0.2em 0.6em; text-align: left; }
code { background: #f4f4f4; }
</style>
</head>
<body>
${body}</body>
</html>
")
