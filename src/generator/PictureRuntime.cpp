// The picture part of runtime.php. A picture is stored only when its bytes
// are a JPEG, PNG or GIF picture, whatever the browser called it. Addresses
// name it by a random key, never by its row number. It belongs to its record:
// a change that replaces it, or deletes the record, deletes it in the same
// transaction. A refused form keeps its pictures for the visitor's form
// session only; a picture no record took is swept an hour later.
#include "RuntimeParts.h"

void RuntimeParts::PictureHelpers(TPHPGenerator& g) {
    g.Lines(uR"php(

if (!function_exists("corvanta_picture_type")) {
  // The type of the picture uploaded as $name, read from its bytes; "" for
  // anything else (a page, a script, SVG) or when none came.
  function corvanta_picture_type($name) {
    static $types = array();
    if (isset($types[$name])) { return $types[$name]; }
    $type = "";
    if (isset($_FILES[$name]["tmp_name"]) and is_string($_FILES[$name]["tmp_name"]) and is_uploaded_file($_FILES[$name]["tmp_name"])) {
      $file = $_FILES[$name]["tmp_name"];
      $known = array(IMAGETYPE_JPEG => "image/jpeg", IMAGETYPE_PNG => "image/png", IMAGETYPE_GIF => "image/gif");
      $info = @getimagesize($file);
      if (is_array($info) and isset($known[$info[2]]) and $info[0] > 0 and $info[1] > 0) {
        $type = $known[$info[2]];
        // Where the host has it, the file's magic must say the same.
        if (function_exists("finfo_open")) {
          $finfo = @finfo_open(FILEINFO_MIME_TYPE);
          $sniffed = $finfo ? @finfo_file($finfo, $file) : false;
          if (is_string($sniffed) and $sniffed !== $type) { $type = ""; }
        }
      }
    }
    return $types[$name] = $type;
  }

  // Pictures a refused form kept and no record took, an hour on.
  function corvanta_sweep_pictures() {
    mysql_query("DELETE FROM {TableName|php}_IMAGES WHERE kept < UNIX_TIMESTAMP() - 3600");
  }

  // What the pictures kept for this visitor's form session carry.
  function corvanta_kept_for() {
    return substr(hash_hmac("sha256", "pictures|".corvanta_form_session(), CORVANTA_SITE_KEY), 0, 32);
  }

  // Stores the picture uploaded as $column for member $userid: its number,
  // 0 when no picture came, false when the database refused it. With $keep
  // (a refused form) it waits for this form session; a client keeps only so
  // many an hour.
  function corvanta_store_picture($column, $userid, $keep) {
    if (corvanta_picture_type($column) == "" or corvanta_picture_problem($column) != "") { return 0; }
    if ($keep and !corvanta_take_try("keep:".corvanta_client(), 30, 10, 3600)) { return 0; }
    $data = @file_get_contents($_FILES[$column]["tmp_name"]);
    if (!is_string($data)) { return false; }
    $key = corvanta_new_token();
    $kept = $keep ? "UNIX_TIMESTAMP(), '".corvanta_kept_for()."'" : "NULL, NULL";
    $ok = mysql_query("INSERT INTO {TableName|php}_IMAGES(userid, image_data, image_type, imagekey, kept, keptfor) VALUES (".intval($userid).", _binary'".mysql_real_escape_string($data)."', '".corvanta_picture_type($column)."', '".$key."', ".$kept.")");
    if (!$ok) { return false; }
    $imageid = intval(mysql_insert_id());
    $GLOBALS["corvanta_picture_keys"][$imageid] = $key;
    return $imageid;
  }

  // The picture a refused post of this form kept for $column (the form
  // names it by its key): its number, or 0. No other form session gets it.
  function corvanta_kept_picture($column) {
    static $found = array();
    if (isset($found[$column])) { return $found[$column]; }
    $key = corvanta_token(corvanta_posted($column."_kept"));
    $imageid = 0;
    if ($key) {
      $res = mysql_query("SELECT imageid FROM {TableName|php}_IMAGES WHERE imagekey = '".$key."' AND kept IS NOT NULL AND keptfor = '".corvanta_kept_for()."'");
      $imageid = ($res and mysql_num_rows($res) > 0) ? intval(mysql_result($res, 0, "imageid")) : 0;
      if ($imageid > 0) { $GLOBALS["corvanta_picture_keys"][$imageid] = $key; }
    }
    return $found[$column] = $imageid;
  }

  // The form sends the picture it kept again, by its key.
  function corvanta_keep_picture($column, $imageid) {
    print "<INPUT TYPE=\"hidden\" NAME=\"".$column."_kept\" VALUE=\"".corvanta_picture_key($imageid)."\">";
  }

  // The record being stored takes a kept picture; it gives up $old for $new.
  function corvanta_claim_picture($imageid) {
    $GLOBALS["corvanta_picture_claims"][] = intval($imageid);
  }
  function corvanta_replace_picture($old, $new) {
    if (intval($old) > 0 and intval($old) != intval($new)) { $GLOBALS["corvanta_picture_drops"][] = intval($old); }
  }

  // Inside the transaction of a record change: the kept pictures it took
  // are its own now, the ones it replaced are gone. False when a statement
  // failed or a kept picture was swept meanwhile.
  function corvanta_settle_pictures() {
    $claims = array_values(array_unique(isset($GLOBALS["corvanta_picture_claims"]) ? $GLOBALS["corvanta_picture_claims"] : array()));
    $drops = array_values(array_diff(array_unique(isset($GLOBALS["corvanta_picture_drops"]) ? $GLOBALS["corvanta_picture_drops"] : array()), $claims));
    $GLOBALS["corvanta_picture_claims"] = array();
    $GLOBALS["corvanta_picture_drops"] = array();
    if (count($claims) > 0) {
      $ok = mysql_query("UPDATE {TableName|php}_IMAGES SET kept = NULL, keptfor = NULL WHERE kept IS NOT NULL AND imageid IN (".implode(", ", $claims).")");
      if (!$ok or mysql_affected_rows() != count($claims)) { return false; }
    }
    return count($drops) == 0 or mysql_query("DELETE FROM {TableName|php}_IMAGES WHERE imageid IN (".implode(", ", $drops).")");
  }

  // The key that names picture $imageid in addresses, "" when there is no
  // such picture. One stored before pictures had keys gets its key now.
  function corvanta_picture_key($imageid) {
    $imageid = intval($imageid);
    if ($imageid <= 0) { return ""; }
    if (isset($GLOBALS["corvanta_picture_keys"][$imageid])) { return $GLOBALS["corvanta_picture_keys"][$imageid]; }
    $key = "";
    for ($try = 0; $try < 2 and $key === ""; $try++) {
      $res = mysql_query("SELECT imagekey FROM {TableName|php}_IMAGES WHERE imageid = ".$imageid);
      if (!$res or mysql_num_rows($res) == 0) { break; }
      $key = corvanta_token(mysql_result($res, 0, "imagekey")) ?: "";
      if ($key === "") { mysql_query("UPDATE {TableName|php}_IMAGES SET imagekey = '".corvanta_new_token()."' WHERE imageid = ".$imageid." AND imagekey IS NULL"); }
    }
    return $GLOBALS["corvanta_picture_keys"][$imageid] = $key;
  }
}
)php");
}
