// The part of runtime.php that limits guessing and mail: every login,
// password change and mail takes a try of its account or address and of its
// client first. A
// few tries are free; after them each try waits, longer with every further
// one. The counts live in the site's database (a table of their own), so
// every web server of a site sees the same.
#include "RuntimeParts.h"

QString TPHPGenerator::TriesTable(const TBTable& t) {
    return t.TableName + QStringLiteral("_LOGINS");
}

QString TPHPGenerator::TriesTableSql(const TBTable& t) {
    return QStringLiteral("CREATE TABLE %1(trykey VARCHAR(191) NOT NULL, tries INTEGER NOT NULL "
                          "DEFAULT 0, lasttry BIGINT NOT NULL DEFAULT 0, PRIMARY KEY (trykey)) "
                          "ENGINE=InnoDB")
        .arg(TriesTable(t));
}

void RuntimeParts::TryLimits(TPHPGenerator& g, const TBTable& t) {
    QString create = TPHPGenerator::TriesTableSql(t);
    create.replace(QStringLiteral("CREATE TABLE "), QStringLiteral("CREATE TABLE IF NOT EXISTS "));
    g.Lines(uR"php(

if (!function_exists("corvanta_take_try")) {
  // One statement on the tries table. A site whose tables were made before
  // tries were counted gets the table on first use; a statement that lost a
  // conflict with another server of a cluster is tried once more.
  function corvanta_tries_query($sql) {
    $l = corvanta_link();
    if (!$l) { return false; }
    for ($attempt = 0; $attempt < 3; $attempt++) {
      try { $res = @mysqli_query($l, $sql); } catch (Throwable $e) { $res = false; }
      if ($res) { return $res; }
      $errno = mysqli_errno($l);
      if ($errno == 1146) {
        try { @mysqli_query($l, "{create|raw|php}"); } catch (Throwable $e) { }
      } elseif ($errno != 1213 and $errno != 1205) {
        return false;
      }
    }
    return false;
  }

  function corvanta_try_key($key) {
    $l = corvanta_link();
    return "'".($l ? mysqli_real_escape_string($l, substr((string)$key, 0, 180)) : "")."'";
  }

  // Takes one try of $key in one statement: $free tries, then a wait of
  // $base seconds before the next, doubled with each further try up to
  // $cap. An hour without a try forgets the earlier ones. False (and
  // nothing counted) while the key must wait still.
  function corvanta_take_try($key, $free, $base, $cap) {
    $l = corvanta_link();
    if (!$l) { $GLOBALS["corvanta_tries_failed"] = true; return false; }
    $k = corvanta_try_key($key);
    $free = intval($free);
    $base = intval($base);
    $cap = intval($cap);
    $res = corvanta_tries_query("INSERT INTO {table|php}(trykey, tries, lasttry) VALUES($k, 1, UNIX_TIMESTAMP()) ON DUPLICATE KEY UPDATE "
      ."tries = IF((@corvanta_old := (lasttry < UNIX_TIMESTAMP() - 3600)), 1, IF((@corvanta_free := (tries < $free OR lasttry + LEAST($base * POW(2, tries - $free), $cap) <= UNIX_TIMESTAMP())), tries + 1, tries)), "
      ."lasttry = IF(@corvanta_old OR @corvanta_free, UNIX_TIMESTAMP(), lasttry)");
    // A table that cannot count refuses the try too, but says so.
    if (!$res) { $GLOBALS["corvanta_tries_failed"] = true; }
    return $res and mysqli_affected_rows($l) > 0;
  }

  // Why a try was refused: too many of them, or the count failed.
  function corvanta_try_refusal() {
    return empty($GLOBALS["corvanta_tries_failed"]) ? "{msg:TooManyTries|php}" : "{msg:TriesFailed|php}";
  }

  // Gives a try back: it did not fail.
  function corvanta_give_try($key) {
    corvanta_tries_query("UPDATE {table|php} SET tries = GREATEST(tries - 1, 0) WHERE trykey = ".corvanta_try_key($key));
  }

  function corvanta_account_key($account) {
    return "account:".strtolower(trim(is_scalar($account) ? (string)$account : ""));
  }

  // A login or a password change of $account (a name, or "admin"): the
  // client's try first, so a client that must wait costs no account a try.
  function corvanta_login_try($account) {
    $client = "client:".corvanta_client();
    if (!corvanta_take_try($client, 10, 1, 900)) { return false; }
    if (corvanta_take_try(corvanta_account_key($account), 5, 1, 900)) { return true; }
    corvanta_give_try($client);
    return false;
  }

  // The login succeeded: the account starts afresh, the client gets its try back.
  function corvanta_login_passed($account) {
    corvanta_tries_query("UPDATE {table|php} SET tries = 0 WHERE trykey = ".corvanta_try_key(corvanta_account_key($account)));
    corvanta_give_try("client:".corvanta_client());
  }

  // The administrator's login: counted per client, and for his account
  // only from that client, so nobody elsewhere can lock him out.
  function corvanta_admin_try() {
    $client = "client:".corvanta_client();
    if (!corvanta_take_try($client, 10, 1, 900)) { return false; }
    if (corvanta_take_try("administrator:".corvanta_client(), 5, 1, 900)) { return true; }
    corvanta_give_try($client);
    return false;
  }

  function corvanta_admin_passed() {
    corvanta_tries_query("UPDATE {table|php} SET tries = 0 WHERE trykey = ".corvanta_try_key("administrator:".corvanta_client()));
    corvanta_give_try("client:".corvanta_client());
  }

  // A mail to an address a visitor typed (a password mail, the link that
  // confirms a new member's address): three, then a wait from a minute up;
  // a client sends only so many to any addresses.
  function corvanta_mail_try($account) {
    $client = "mailclient:".corvanta_client();
    if (!corvanta_take_try($client, 10, 60, 3600)) { return false; }
    if (corvanta_take_try("mail:".strtolower(trim(is_scalar($account) ? (string)$account : "")), 3, 60, 3600)) { return true; }
    corvanta_give_try($client);
    return false;
  }

  // A notice about a record to its owner's confirmed address: more of them
  // than of password mails, but still only so many per client and address.
  function corvanta_notice_try($address) {
    $client = "noticeclient:".corvanta_client();
    if (!corvanta_take_try($client, 30, 10, 3600)) { return false; }
    if (corvanta_take_try("notice:".strtolower(trim(is_scalar($address) ? (string)$address : "")), 30, 10, 3600)) { return true; }
    corvanta_give_try($client);
    return false;
  }
}
)php",
            {{QStringLiteral("table"), TPHPGenerator::TriesTable(t)},
             {QStringLiteral("create"), create}});
}
