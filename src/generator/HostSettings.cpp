// .htaccess of the visitor folder (the administrator's folder inside it
// inherits it). Only directives that hosts letting a folder rewrite its
// addresses also let it use, each kept to a module the host has: a host that
// reads no .htaccess, or lacks the module, serves the site as before.
#include "PHPgenerator.h"

void TPHPGenerator::HostSettings() {
    // The style sheet's address changes with its content, so it may be kept
    // for a year; pictures and logos a week; pages never, they are made anew
    // for each request.
    Lines(uR"php(
# Compression and cache lifetimes of the site's files, where the host allows.
<IfModule mod_filter.c>
  <IfModule mod_deflate.c>
    AddOutputFilterByType DEFLATE text/html text/css text/plain application/javascript text/javascript image/svg+xml
  </IfModule>
</IfModule>
<IfModule mod_headers.c>
  <FilesMatch "\.(css|js)$">
    Header set Cache-Control "public, max-age=31536000"
  </FilesMatch>
  <FilesMatch "\.(png|gif|jpe?g|webp|ico|bmp)$">
    Header set Cache-Control "public, max-age=604800"
  </FilesMatch>
</IfModule>
)php");
}
