# The scene's files for the page, as one gzipped tar that a plain static host
# sends as it is and the page inflates itself (app/web/page.js): the BMPs shrink
# to about a third. cmake -DOUT=FILE -P web-data.cmake, run from the source tree.
file(ARCHIVE_CREATE OUTPUT ${OUT} PATHS texture3 FORMAT paxr COMPRESSION GZip
     COMPRESSION_LEVEL 9 MTIME 0)
